; The machine's half of Bitreel's line: LOAD "", LD-BYTES, SA-BYTES and
; SAVE over RS-232, for the Spectrum 128 family (IF1 = 0) or Interface 1
; (IF1 = 1). ORIGIN is where the CODE block loads; it runs from there, in
; uncontended RAM, and calls no ROM routine.
;
; Every entry disables interrupts while it times bits and returns with them
; enabled, IY and H'L' as they were.

        ORG ORIGIN

        JP load_entry               ; +0  LOAD "" over the line
        JP ld_bytes_entry           ; +3  LD-BYTES: IX, DE, A = flag
        JP sa_bytes_entry           ; +6  SA-BYTES: IX, DE, A = flag
        JP save_entry               ; +9  SAVE "name" LINE n of the program

load_entry:
        LD HL,basic_load
        JR guarded
ld_bytes_entry:
        LD HL,ld_bytes
        JR guarded
sa_bytes_entry:
        LD HL,sa_bytes
        JR guarded
save_entry:
        LD HL,basic_save

; Runs the routine in HL with A, DE, IX and the flags as the caller gave
; them, the line set up and its registers in place; returns what it returns.
guarded:
        DI
        LD (entry_sp),SP
        EXX
        LD (kept_hl),HL
        EXX
        PUSH AF
        PUSH HL
        CALL line_setup
        LD HL,QUIET_5S
        LD (rx_limit),HL
        POP HL
        POP AF
        CALL jump_hl
leave:
        LD SP,(entry_sp)
        EXX
        LD HL,(kept_hl)
        EXX
        EI
        RET
jump_hl:
        JP (HL)

ld_bytes:
        PUSH IX
        POP HL
        PUSH AF
        CALL clashes
        JR C,ld_refused
        POP AF
        JP rx_frame
ld_refused:
        POP AF
        LD A,RX_NO_ROOM
        OR A                        ; carry clear
        RET

sa_bytes:
        PUSH IX
        POP HL
        JP tx_frame

; Carry set when HL, DE bytes long, would reach into the ROM, past the top
; of memory, or into this program.
clashes:
        LD A,D
        OR E
        RET Z                       ; nothing to place; carry clear
        LD A,H
        CP $40
        RET C
        PUSH HL
        PUSH DE
        DEC DE
        ADD HL,DE                   ; the last byte
        JR C,clash
        LD DE,ORIGIN
        SBC HL,DE                   ; carry clear from ADD
        JR C,no_clash               ; it ends below this program
        POP DE
        POP HL
        PUSH HL
        PUSH DE
        LD DE,program_end
        OR A
        SBC HL,DE                   ; carry when it starts below the end
        POP DE
        POP HL
        RET
no_clash:
        POP DE
        POP HL
        OR A
        RET
clash:
        POP DE
        POP HL
        SCF
        RET

        IF IF1
        INCLUDE "lineif1.asm"
        ELSE
        INCLUDE "line128.asm"
        ENDIF
        INCLUDE "linebytes.asm"
        INCLUDE "frames.asm"
        INCLUDE "sysvars.asm"
        INCLUDE "basicarea.asm"
        INCLUDE "basicload.asm"
        INCLUDE "basicsave.asm"

; The workspace, inside the block. late_count starts at 0 as loaded and
; keeps the bytes that came after CTS dropped from one call to the next.
late_count:     DEFB 0
late_next:      DEFW late_bytes
late_bytes:     DEFS LATE_MAX
entry_sp:       DEFW 0
kept_hl:        DEFW 0
rx_limit:       DEFW 0
want_flag:      DEFB 0
want_length:    DEFW 0
got_length:     DEFW 0
reason:         DEFB 0
running:        DEFB 0
array_name:     DEFB 0
array_at:       DEFW 0
header:         DEFS 17
shift_from:     DEFW 0
shift_by:       DEFW 0
shift_min:      DEFW 0
line_end:       DEFB $0D            ; an ENTER for BASIC to read on
program_end:
