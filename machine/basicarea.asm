; BASIC's areas: room made and given back as the ROM's MAKE-ROOM, RECLAIM
; and POINTERS do, so that the edit line, the workspace and the calculator's
; stack move with their pointers; and BASIC's reports.

; Moves the bytes from HL up to STKEND by DE (a distance modulo 65536, so
; either way), and each of the 14 pointers from VARS to STKEND that holds
; (shift_min) or more by the same. Keeps BC.
shift:
        PUSH BC
        LD (shift_from),HL
        LD (shift_by),DE
        EX DE,HL
        LD HL,(STKEND)
        OR A
        SBC HL,DE
        LD B,H
        LD C,L                      ; bytes to move, at least the end marker
        LD HL,(shift_from)
        LD DE,(shift_by)
        ADD HL,DE
        EX DE,HL                    ; DE = where the first one goes
        LD HL,(shift_from)
        PUSH HL
        OR A
        SBC HL,DE
        POP HL
        JR C,shift_up
        LDIR
        JR shift_pointers
shift_up:                           ; from the top down, not to overwrite
        ADD HL,BC
        DEC HL
        EX DE,HL
        ADD HL,BC
        DEC HL
        EX DE,HL
        LDDR
shift_pointers:
        LD HL,VARS
        LD B,14
shift_next:
        LD E,(HL)
        INC HL
        LD D,(HL)
        PUSH HL
        LD HL,(shift_min)
        EX DE,HL
        OR A
        SBC HL,DE
        ADD HL,DE                   ; carry when below shift_min
        JR C,shift_kept
        LD DE,(shift_by)
        ADD HL,DE
        EX DE,HL
        POP HL
        LD (HL),D
        DEC HL
        LD (HL),E
        INC HL
        JR shift_on
shift_kept:
        POP HL
shift_on:
        INC HL
        DJNZ shift_next
        POP BC
        RET

; Gives back the DE bytes from HL, as the ROM's RECLAIM: what lies above
; them moves down, and each pointer at or above their end with it.
reclaim:
        ADD HL,DE
        LD (shift_min),HL
; Moves the bytes from HL up to STKEND down by DE, the pointers from
; (shift_min) on with them.
shift_down:
        PUSH HL
        LD HL,0
        OR A
        SBC HL,DE
        EX DE,HL
        POP HL
        JR shift

; Carry set when DE more bytes would not fit below the machine stack with
; 80 to spare, as the ROM's TEST-ROOM keeps.
room:
        LD HL,(STKEND)
        ADD HL,DE
        RET C
        LD DE,80
        ADD HL,DE
        RET C
        EX DE,HL
        LD HL,0
        ADD HL,SP
        SBC HL,DE                   ; carry clear from ADD
        RET

; Carry set when HL lies in the program or its variables. Keeps HL.
in_program:
        LD DE,(PROG)
        OR A
        SBC HL,DE
        ADD HL,DE
        CCF
        RET NC
        LD DE,(E_LINE)
        DEC DE
        OR A
        SBC HL,DE
        ADD HL,DE
        RET

; HL moves from a variable to the next, as the ROM's NEXT-ONE: by the top
; three bits of its first byte.
next_variable:
        LD A,(HL)
        INC HL
        CP $60
        JR C,nv_length              ; a string
        CP $80
        JR C,nv_number              ; a number of one letter
        CP $A0
        JR C,nv_length              ; a number array
        CP $C0
        JR C,nv_long_name           ; a number of a longer name
        CP $E0
        JR C,nv_length              ; a character array
        LD DE,18                    ; a FOR-NEXT control variable
        JR nv_add
nv_long_name:                       ; up to the letter with bit 7 set
        BIT 7,(HL)
        INC HL
        JR Z,nv_long_name
nv_number:
        LD DE,5
        JR nv_add
nv_length:
        LD E,(HL)
        INC HL
        LD D,(HL)
        INC HL
nv_add:
        ADD HL,DE
        RET

; Stops with BASIC's report A (as ERR_NR holds it), as the ROM's error
; restart does: the calculator's stack emptied, then a return to the
; address that ERR_SP points at.
report:
        LD (ERR_NR),A
        LD HL,(CH_ADD)
        LD (X_PTR),HL
        LD HL,(STKBOT)
        LD (STKEND),HL
        LD HL,MEMBOT
        LD (MEM),HL
        EXX
        LD HL,(kept_hl)
        EXX
        LD SP,(ERR_SP)
        EI
        RET
