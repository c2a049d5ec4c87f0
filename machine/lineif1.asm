; The RS-232 socket of Interface 1. OUT $EF: bit 0 selects RS-232 (1), bit 4
; is CTS (1 = asserted), the other bits are written as 1. IN $EF: bit 3 is
; DTR (1 = the PC is ready). OUT $F7 bit 0 and IN $F7 bit 7 carry the data,
; inverted (1 = space).
;
; The clock is 3.5 MHz, so a bit at 9600 baud lasts 364.6 T-states; the
; loops below take 365. The counts in brackets are T-states. C holds $F7
; whenever the line is used.

IF1_CONTROL     EQU $EF
IF1_DATA        EQU $F7
CONTROL_IDLE    EQU %11101111       ; RS-232, CTS not asserted
CONTROL_READY   EQU %11111111       ; RS-232, CTS asserted

; Quiet spans of 9347 T-states (see rx_byte): 5 seconds of them.
QUIET_5S        EQU 1873            ; 5 * 3500000 / 9347, rounded up

; The line rests at mark with CTS down.
line_setup:
        LD BC,$FF00 + IF1_DATA
        XOR A
        OUT (IF1_DATA),A
cts_down:
        LD A,CONTROL_IDLE
        OUT (IF1_CONTROL),A
        RET

; One byte from the line. rx_byte_cts raises CTS first; rx_byte leaves CTS
; as it is, to catch what the PC sends after CTS has dropped.
; Out: carry set and A = the byte; or carry clear and A = RX_QUIET after
;      (rx_limit) quiet spans, or RX_BREAK when SPACE is pressed.
; Uses A, D, E and D'E'.
rx_byte_cts:
        LD A,CONTROL_READY
        OUT (IF1_CONTROL),A
rx_byte:
        EXX
        LD DE,(rx_limit)
        EXX
        LD E,0
; The line must be at mark first: the last data bit of a byte from a slow
; PC may still be on it, a space that is no start bit.
rx_idle:
        IN D,(C)
        JP P,rx_look
        DEC E
        JP NZ,rx_idle
; A look at the line every 36 T-states; after 256 looks, SPACE and the
; quiet spans are counted, the line still looked at between the steps (no
; look more than 51 T-states after the one before).
rx_look:
        IN D,(C)                    ; (12) bit 7: 1 = space
        JP M,rx_edge                ; (10) a start bit begins
        DEC E                       ; (4)
        JP NZ,rx_look               ; (10)
        LD A,$7F
        IN D,(C)
        JP M,rx_edge
        IN A,($FE)                  ; the row that holds SPACE
        RRA
        IN D,(C)
        JP M,rx_edge
        JR NC,rx_break
        EXX
        DEC DE
        LD A,D
        OR E
        EXX
        IN D,(C)
        JP M,rx_edge
        OR A
        JP NZ,rx_look
        LD A,RX_QUIET               ; carry clear from OR
        RET
rx_break:
        LD A,RX_BREAK
        RET
; The edge was seen by a look 0 to 36 T-states after it, 18 on average.
; The start bit is looked at again in its middle; each data bit is read
; 1.5, 2.5, ... 8.5 bits after the edge.
rx_edge:                            ; (22 since the look)
        LD D,8                      ; (7)
rx_half:
        DEC D                       ; 8 * 16 - 5
        JR NZ,rx_half
        NOP                         ; (18): the look again at 170
        NOP
        JP $+3
        IN A,(C)
        RLA
        JR NC,rx_look               ; mark again: a spike, not a start bit
        LD E,%10000000              ; falls out when eight bits are in
rx_bit:                             ; 359 from the look again, then 365 a bit
        LD D,20                     ; (7)
rx_wait:
        DEC D                       ; 20 * 16 - 5
        JR NZ,rx_wait
        LD D,0                      ; (7)
        IN A,(C)                    ; (12)
        RLA                         ; (4)
        RR E                        ; (8) least significant bit first, inverted
        JR NC,rx_bit                ; (12)
        LD A,E
        CPL
        SCF
        RET

; Sends E once the PC holds DTR up, SPACE looked at while it waits. Carry
; set when sent; clear, with A = RX_BREAK, when SPACE ended the wait.
; Uses A, D and E.
tx_byte:
        IN A,(IF1_CONTROL)
        AND %00001000
        JR NZ,tx_start
        LD A,$7F
        IN A,($FE)
        RRA
        JR C,tx_byte
        LD A,RX_BREAK
        RET
tx_start:
        LD A,1
        OUT (IF1_DATA),A            ; (11) the start bit
        LD D,20                     ; (7)
tx_first:
        DEC D                       ; 20 * 16 - 5
        JR NZ,tx_first
        JR $+2                      ; (12)
        SCF                         ; (4) a 1 behind the data: the stop bit
        RR E                        ; (8) bit 0 first
tx_bit:                             ; from OUT to OUT: 365
        SBC A,A                     ; (4) $FF for a 1
        INC A                       ; (4) 0 for a 1: mark
        OUT (IF1_DATA),A            ; (11)
        LD D,19                     ; (7)
tx_wait:
        DEC D                       ; 19 * 16 - 5
        JR NZ,tx_wait
        LD D,0                      ; (7)
        LD A,E                      ; (4)
        OR A                        ; (4) zero once the stop bit has gone
        JR Z,tx_sent                ; (7)
        SRL E                       ; (8)
        JP tx_bit                   ; (10)
tx_sent:
        SCF
        RET
