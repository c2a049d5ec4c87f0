; SAVE over the line: the program in memory and its variables go as SAVE
; "name" LINE n would send them, a header frame and a data frame. Called as
;     RANDOMIZE USR address+9: REM "name" n
; the name and line come from the REM after the call: the name in quotes, or
; up to a space; the line is the first number after it, and without one
; the program is saved without auto-start. A longer name is cut to 10
; characters, as SAVE cuts it.

basic_save:
        LD HL,header+1
        LD DE,header+2
        LD (HL),' '
        PUSH BC
        LD BC,9
        LDIR                        ; the name starts as spaces
        POP BC
        LD HL,(CH_ADD)
bs_find_rem:
        LD A,(HL)
        CP $0D
        JP Z,bs_bad_name
        INC HL
        CP NUMBER_MARK
        JR NZ,bs_not_number
        LD DE,5
        ADD HL,DE
bs_not_number:
        CP TOKEN_REM
        JR NZ,bs_find_rem
bs_spaces:
        LD A,(HL)
        CP ' '
        JR NZ,bs_name
        INC HL
        JR bs_spaces
bs_name:
        LD D,' '                    ; the name ends at a space ...
        CP '"'
        JR NZ,bs_chars
        LD D,A                      ; ... or at the closing quote
        INC HL
bs_chars:
        LD IX,header+1
        LD E,11
bs_char:
        LD A,(HL)
        CP $0D
        JR Z,bs_named
        INC HL
        CP D
        JR Z,bs_named
        DEC E
        JR Z,bs_cut
        LD (IX+0),A
        INC IX
        JR bs_char
bs_cut:
        INC E
        JR bs_char
bs_named:
        LD A,E
        CP 11
        JR Z,bs_bad_name
        LD DE,$8000                 ; no auto-start
bs_find_line:
        LD A,(HL)
        CP $0D
        JR Z,bs_line
        SUB '0'
        CP 10
        JR C,bs_digits
        INC HL
        JR bs_find_line
bs_digits:
        LD DE,0
bs_digit:
        LD A,(HL)
        SUB '0'
        CP 10
        JR NC,bs_line
        INC HL
        PUSH HL
        LD H,D
        LD L,E
        ADD HL,HL
        ADD HL,HL
        ADD HL,DE
        ADD HL,HL
        LD E,A
        LD D,0
        ADD HL,DE
        EX DE,HL                    ; DE * 10 + the digit
        LD HL,9999
        OR A
        SBC HL,DE
        POP HL
        JR NC,bs_digit
        LD A,REPORT_B               ; no line of BASIC has that number
        JP report
bs_line:
        LD (HEADER_PARAM1),DE
        XOR A
        LD (HEADER_TYPE),A
        LD HL,(E_LINE)
        LD DE,(PROG)
        SCF
        SBC HL,DE                   ; all but the end marker
        LD (HEADER_LENGTH),HL
        LD HL,(VARS)
        OR A
        SBC HL,DE
        LD (HEADER_PARAM2),HL
        LD HL,header
        LD DE,17
        XOR A
        CALL tx_frame
        JR NC,bs_stopped
        LD HL,(PROG)
        LD DE,(HEADER_LENGTH)
        LD A,$FF
        CALL tx_frame
        JR NC,bs_stopped
        LD BC,0                     ; USR's value
        RET
bs_stopped:
        LD A,REPORT_D
        JP report
bs_bad_name:
        LD A,REPORT_F
        JP report
