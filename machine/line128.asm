; The RS-232 socket of the Spectrum 128, +2, +2A and +3: bit-banged through
; port A of the sound chip (register 14, selected at $FFFD, written at
; $BFFD). Bit 2 is CTS out (0 = ready), bit 3 RXD out (1 = mark), bit 6 DTR
; in (0 = the PC is ready), bit 7 TXD in (1 = mark).
;
; The clock is 3.5469 MHz, so a bit at 9600 baud lasts 369.5 T-states; the
; loops below take 370, as the ROM's do. The counts in brackets are
; T-states. BC holds $FFFD, with register 14 selected, whenever the line is
; used.

AY_SELECT       EQU $FFFD
AY_WRITE_HIGH   EQU $BF             ; $BFFD writes the register selected
AY_MIXER        EQU 7
AY_PORT_A       EQU 14

; Register 14 as written: the input bits 4 to 7 at 1, for a read returns the
; latch ANDed with the pins; bit 1 at 1 and bit 0 at 0, as the ROM leaves
; them for the keypad.
LINE_IDLE       EQU %11111110       ; CTS not ready, RXD at mark
LINE_READY      EQU %11111010       ; CTS ready
LINE_SPACE      EQU %11110110       ; RXD at space, CTS not ready

; Quiet spans of 9347 T-states (see rx_byte): 5 seconds of them.
QUIET_5S        EQU 1898        ; 5 * 3546900 / 9347, rounded up

; Port A drives its pins (register 7, bit 6), the line rests at mark with
; CTS down, and register 14 stays selected.
line_setup:
        LD BC,AY_SELECT
        LD A,AY_MIXER
        OUT (C),A
        IN A,(C)
        OR %01000000
        LD B,AY_WRITE_HIGH
        OUT (C),A
        LD B,$FF
        LD A,AY_PORT_A
        OUT (C),A
cts_down:
        LD A,LINE_IDLE
port_a_out:
        LD B,AY_WRITE_HIGH
        OUT (C),A
        LD B,$FF
        RET

; One byte from the line. rx_byte_cts raises CTS first; rx_byte leaves CTS
; as it is, to catch what the PC sends after CTS has dropped.
; Out: carry set and A = the byte; or carry clear and A = RX_QUIET after
;      (rx_limit) quiet spans, or RX_BREAK when SPACE is pressed.
; Uses A, D, E and D'E'.
rx_byte_cts:
        LD A,LINE_READY
        LD B,AY_WRITE_HIGH
        OUT (C),A
        LD B,$FF
rx_byte:
        EXX
        LD DE,(rx_limit)
        EXX
        LD E,0
; The line must be at mark first: the last data bit of a byte from a slow
; PC may still be on it, a space that is no start bit.
rx_idle:
        IN D,(C)
        JP M,rx_look
        DEC E
        JP NZ,rx_idle
; A look at the line every 36 T-states; after 256 looks, SPACE and the
; quiet spans are counted, the line still looked at between the steps (no
; look more than 51 T-states after the one before).
rx_look:
        IN D,(C)                    ; (12) bit 7: 1 = mark
        JP P,rx_edge                ; (10) space: a start bit begins
        DEC E                       ; (4)
        JP NZ,rx_look               ; (10)
        LD A,$7F
        IN D,(C)
        JP P,rx_edge
        IN A,($FE)                  ; the row that holds SPACE
        RRA
        IN D,(C)
        JP P,rx_edge
        JR NC,rx_break
        EXX
        DEC DE
        LD A,D
        OR E
        EXX
        IN D,(C)
        JP P,rx_edge
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
        LD D,9                      ; (7)
rx_half:
        DEC D                       ; 9 * 16 - 5
        JR NZ,rx_half
        NOP                         ; (4): the look again at 172
        IN A,(C)
        RLA
        JR C,rx_look                ; mark again: a spike, not a start bit
        LD E,%10000000              ; falls out when eight bits are in
rx_bit:                             ; 364 from the look again, then 370 a bit
        LD D,20                     ; (7)
rx_wait:
        DEC D                       ; 20 * 16 - 5
        JR NZ,rx_wait
        JR $+2                      ; (12)
        IN A,(C)                    ; (12)
        RLA                         ; (4)
        RR E                        ; (8) least significant bit first
        JR NC,rx_bit                ; (12)
        LD A,E
        SCF
        RET

; Sends E once the PC holds DTR up, SPACE looked at while it waits. Carry
; set when sent; clear, with A = RX_BREAK, when SPACE ended the wait.
; Uses A, D and E.
tx_byte:
        IN A,(C)
        AND %01000000
        JR Z,tx_start
        LD A,$7F
        IN A,($FE)
        RRA
        JR C,tx_byte
        LD A,RX_BREAK
        RET
tx_start:
        LD A,LINE_SPACE
        LD B,AY_WRITE_HIGH
        OUT (C),A                   ; (12) the start bit
        LD B,$FF                    ; (7)
        LD D,19                     ; (7)
tx_first:
        DEC D                       ; 19 * 16 - 5
        JR NZ,tx_first
        NOP                         ; (8)
        NOP
        SCF                         ; (4) a 1 behind the data: the stop bit
        RR E                        ; (8) bit 0 first
tx_bit:                             ; from OUT to OUT: 370
        SBC A,A                     ; (4) $FF for a 1
        AND %00001000               ; (7)
        XOR LINE_SPACE              ; (7) 1: mark, 0: space
        LD B,AY_WRITE_HIGH          ; (7)
        OUT (C),A                   ; (12)
        LD B,$FF                    ; (7)
        LD D,17                     ; (7)
tx_wait:
        DEC D                       ; 17 * 16 - 5
        JR NZ,tx_wait
        JP $+3                      ; (10)
        LD A,R                      ; (9)
        LD A,E                      ; (4)
        OR A                        ; (4) zero once the stop bit has gone
        JR Z,tx_sent                ; (7)
        SRL E                       ; (8)
        JP tx_bit                   ; (10)
tx_sent:
        SCF
        RET
