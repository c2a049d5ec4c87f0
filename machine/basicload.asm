; LOAD "" over the line: the next header and its data, placed as the ROM's
; LD-CONTRL places them. A program goes to PROG with its variables, its
; auto-start line set to run; code to its address; an array under the
; tape's letter, in place of one of that name. Nothing loaded is used until
; its checksum is right: a failure leaves no half program or array behind,
; runs nothing, and ends in BASIC's report of why.

HEADER_TYPE     EQU header
HEADER_LENGTH   EQU header+11
HEADER_PARAM1   EQU header+13
HEADER_LETTER   EQU header+14
HEADER_PARAM2   EQU header+15

basic_load:
        LD HL,header
        LD DE,17
        XOR A
        CALL rx_frame
        JR NC,load_failed
        LD A,(HEADER_TYPE)
        OR A
        JR Z,load_program
        CP 3
        JR Z,load_code
        JP C,load_array
        LD A,RX_FLAG                ; no header of the ROM's
load_failed:                        ; A = why the line failed
        CP RX_BREAK
        LD B,REPORT_D
        JR Z,load_report
        CP RX_NO_ROOM
        LD B,REPORT_4
        JR Z,load_report
        LD B,REPORT_R
load_report:
        LD A,B
        JP report
loaded:
        LD BC,0                     ; USR's value
        SCF
        RET

load_code:
        LD HL,(HEADER_PARAM1)
        LD DE,(HEADER_LENGTH)
        CALL clashes
        LD A,RX_NO_ROOM
        JR C,load_failed
        LD A,$FF
        CALL rx_frame
        JR NC,load_failed
        JR loaded

; The program replaces the one in memory and its variables; what lies above
; them moves by the difference. When a line of the old program called this,
; BASIC reads on from an ENTER and goes to the new program's auto-start
; line, or stops with 0 OK.
load_program:
        LD HL,(CH_ADD)
        CALL in_program
        SBC A,A
        LD (running),A
        LD HL,(PROG)
        LD DE,(HEADER_LENGTH)
        ADD HL,DE                   ; where the end marker goes
        JP C,no_room
        LD DE,(E_LINE)
        DEC DE                      ; where it is
        OR A
        SBC HL,DE
        LD (shift_by),HL
        JR C,lp_shift               ; smaller: room enough
        EX DE,HL
        CALL room
        JR C,no_room
; The end marker and all above it move. Of the pointers, only those past
; the marker move with them, as the ROM's RECLAIM and MAKE-ROOM leave them:
; PROG never, nor VARS, though both are at the marker when no program is in.
lp_shift:
        LD HL,(E_LINE)
        LD (shift_min),HL
        DEC HL
        LD DE,(shift_by)
        CALL shift
        LD HL,(PROG)
        LD DE,(HEADER_LENGTH)
        LD A,$FF
        CALL rx_frame
        JR NC,lp_failed
        LD HL,(PROG)
        LD DE,(HEADER_PARAM2)
        ADD HL,DE
        LD (VARS),HL
        CALL data_restored
        LD A,(running)
        OR A
        JR Z,lp_autostart
        LD HL,line_end
        LD (CH_ADD),HL
        LD HL,(E_LINE)
        DEC HL
        LD (NXTLIN),HL              ; the end marker: the program has ended
lp_autostart:
        LD HL,(HEADER_PARAM1)
        LD A,H
        AND $C0
        JP NZ,loaded                ; saved without LINE
        LD (NEWPPC),HL
        XOR A
        LD (NSPPC),A
        JP loaded
; What came in goes again: an empty program without variables.
lp_failed:
        PUSH AF
        LD HL,(PROG)
        LD DE,(HEADER_LENGTH)
        CALL reclaim
        LD HL,(PROG)
        LD (VARS),HL
        CALL data_restored
        POP AF
        JP load_failed
no_room:
        LD A,RX_NO_ROOM
        JP load_failed

; READ starts at the program's beginning, as after RUN or RESTORE.
data_restored:
        LD HL,(PROG)
        DEC HL
        LD (DATADD),HL
        RET

; A number array (type 1) or a character array (type 2), named by the
; tape's letter. One of that name is reclaimed first; the new one goes at
; the end of the variables, its letter and length in front.
load_array:
        DEC A
        RRCA
        RRCA
        OR $80
        LD D,A                      ; $80 for numbers, $C0 for characters
        LD A,(HEADER_LETTER)
        AND $1F
        JR Z,la_no_letter
        CP 27
        JR NC,la_no_letter
        OR D
        LD (array_name),A
        CALL find_variable
        JR NC,la_room
        PUSH HL                     ; reclaimed: its name, length and body
        INC HL
        LD E,(HL)
        INC HL
        LD D,(HL)
        INC DE
        INC DE
        INC DE
        POP HL
        CALL reclaim
la_room:
        CALL array_size
        JR C,no_room
        CALL room
        JR C,no_room
        CALL array_size
        LD HL,(E_LINE)
        DEC HL                      ; the end marker moves up
        LD (array_at),HL
        INC HL
        LD (shift_min),HL           ; VARS stays where it is, even at the marker
        DEC HL
        CALL shift
        LD HL,(array_at)
        LD A,(array_name)
        LD (HL),A
        INC HL
        LD DE,(HEADER_LENGTH)
        LD (HL),E
        INC HL
        LD (HL),D
        INC HL
        LD A,$FF
        CALL rx_frame
        JP C,loaded
        PUSH AF                     ; the new array goes again
        CALL array_size
        LD HL,(array_at)
        INC HL
        LD (shift_min),HL
        DEC HL
        ADD HL,DE
        CALL shift_down
        POP AF
        JP load_failed
la_no_letter:
        LD A,RX_FLAG
        JP load_failed

; DE = the array's size in the variables area; carry set when too big.
array_size:
        LD HL,(HEADER_LENGTH)
        LD DE,3
        ADD HL,DE
        EX DE,HL
        RET

; Carry set and HL = the variable named (array_name), if there is one.
find_variable:
        LD HL,(VARS)
fv_look:
        LD A,(HL)
        CP $80
        RET Z                       ; the end marker; carry clear
        LD D,A
        LD A,(array_name)
        CP D
        SCF
        RET Z
        CALL next_variable
        JR fv_look
