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

; How linebytes.asm reaches this socket. Bit 7 reads 1 for mark.
DATA_INVERTED   EQU 0

CTS_UP  MACRO
        LD A,LINE_READY
        LD B,AY_WRITE_HIGH
        OUT (C),A
        LD B,$FF
        ENDM

; The look again at 172 T-states after the edge: 22 + 9 * 16 + 2 + 4.
RX_HALF_LOOPS   EQU 9
RX_HALF_PAD MACRO
        NOP                         ; (4)
        ENDM
; A data bit 364 T-states from the look again, then 370 a bit.
RX_BIT_PAD MACRO
        JR $+2                      ; (12)
        ENDM

JR_PC_READY MACRO dest
        IN A,(C)
        AND %01000000               ; DTR: 0 = ready
        JR Z,dest
        ENDM

TX_SPACE MACRO
        LD A,LINE_SPACE
        LD B,AY_WRITE_HIGH
        OUT (C),A                   ; (12)
        LD B,$FF                    ; (7)
        ENDM
; From the start bit's OUT to the first data bit's: 370.
TX_FIRST_LOOPS  EQU 19
TX_FIRST_PAD MACRO
        NOP                         ; (8)
        NOP
        ENDM

TX_CARRY MACRO
        SBC A,A                     ; (4) $FF for a 1
        AND %00001000               ; (7)
        XOR LINE_SPACE              ; (7) 1: mark, 0: space
        LD B,AY_WRITE_HIGH          ; (7)
        OUT (C),A                   ; (12)
        LD B,$FF                    ; (7)
        ENDM
; From one data bit's OUT to the next: 370.
TX_BIT_LOOPS    EQU 17
TX_BIT_PAD MACRO
        JP $+3                      ; (10)
        LD A,R                      ; (9)
        ENDM
