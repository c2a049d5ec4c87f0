; A byte to and from the line, the same loops for both sockets. The line
; file before this one says how its pins are reached and timed:
; DATA_INVERTED (1 when the data pin reads 1 for space), the loop counts
; RX_HALF_LOOPS, TX_FIRST_LOOPS and TX_BIT_LOOPS, and the macros CTS_UP,
; JR_PC_READY, TX_SPACE, TX_CARRY and the *_PAD delays.

; D counted down from n: 16 * n + 2 T-states.
WAIT_D  MACRO n
        LOCAL wait
        LD D,n                      ; (7)
wait:
        DEC D
        JR NZ,wait
        ENDM

; A jump when the data bit read into S or carry is at mark or at space.
JP_MARK MACRO dest
        IF DATA_INVERTED
        JP P,dest
        ELSE
        JP M,dest
        ENDIF
        ENDM
JP_SPACE MACRO dest
        IF DATA_INVERTED
        JP M,dest
        ELSE
        JP P,dest
        ENDIF
        ENDM
JR_CARRY_MARK MACRO dest
        IF DATA_INVERTED
        JR NC,dest
        ELSE
        JR C,dest
        ENDIF
        ENDM

; One byte from the line. rx_byte_cts raises CTS first; rx_byte leaves CTS
; as it is, to catch what the PC sends after CTS has dropped.
; Out: carry set and A = the byte; or carry clear and A = RX_QUIET after
;      (rx_limit) quiet spans, or RX_BREAK when SPACE is pressed.
; Uses A, D, E and D'E'.
rx_byte_cts:
        CTS_UP
rx_byte:
        EXX
        LD DE,(rx_limit)
        EXX
        LD E,0
; The line must be at mark first: the last data bit of a byte from a slow
; PC may still be on it, a space that is no start bit.
rx_idle:
        IN D,(C)
        JP_MARK rx_look
        DEC E
        JP NZ,rx_idle
; A look at the line every 36 T-states; after 256 looks, SPACE and the
; quiet spans are counted, the line still looked at between the steps (no
; look more than 51 T-states after the one before).
rx_look:
        IN D,(C)                    ; (12) bit 7: the data pin
        JP_SPACE rx_edge            ; (10) a start bit begins
        DEC E                       ; (4)
        JP NZ,rx_look               ; (10)
        LD A,$7F
        IN D,(C)
        JP_SPACE rx_edge
        IN A,($FE)                  ; the row that holds SPACE
        RRA
        IN D,(C)
        JP_SPACE rx_edge
        JR NC,rx_break
        EXX
        DEC DE
        LD A,D
        OR E
        EXX
        IN D,(C)
        JP_SPACE rx_edge
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
        WAIT_D RX_HALF_LOOPS
        RX_HALF_PAD
        IN A,(C)
        RLA
        JR_CARRY_MARK rx_look       ; mark again: a spike, not a start bit
        LD E,%10000000              ; falls out when eight bits are in
rx_bit:                             ; a bit's time a pass
        WAIT_D 20
        RX_BIT_PAD
        IN A,(C)                    ; (12)
        RLA                         ; (4)
        RR E                        ; (8) least significant bit first
        JR NC,rx_bit                ; (12)
        LD A,E
        IF DATA_INVERTED
        CPL
        ENDIF
        SCF
        RET

; Sends E once the PC holds DTR up, SPACE looked at while it waits. Carry
; set when sent; clear, with A = RX_BREAK, when SPACE ended the wait.
; Uses A, D and E.
tx_byte:
        JR_PC_READY tx_start
        LD A,$7F
        IN A,($FE)
        RRA
        JR C,tx_byte
        LD A,RX_BREAK
        RET
tx_start:
        TX_SPACE                    ; the start bit
        WAIT_D TX_FIRST_LOOPS
        TX_FIRST_PAD
        SCF                         ; (4) a 1 behind the data: the stop bit
        RR E                        ; (8) bit 0 first
tx_bit:                             ; from OUT to OUT: a bit's time
        TX_CARRY                    ; carry out: 1 at mark
        WAIT_D TX_BIT_LOOPS
        TX_BIT_PAD
        LD A,E                      ; (4)
        OR A                        ; (4) zero once the stop bit has gone
        JR Z,tx_sent                ; (7)
        SRL E                       ; (8)
        JP tx_bit                   ; (10)
tx_sent:
        SCF
        RET
