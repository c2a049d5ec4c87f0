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

; How linebytes.asm reaches this socket. Bit 7 reads 1 for space.
DATA_INVERTED   EQU 1

CTS_UP  MACRO
        LD A,CONTROL_READY
        OUT (IF1_CONTROL),A
        ENDM

; The look again at 170 T-states after the edge: 22 + 8 * 16 + 2 + 18.
RX_HALF_LOOPS   EQU 8
RX_HALF_PAD MACRO
        NOP                         ; (18)
        NOP
        JP $+3
        ENDM
; A data bit 359 T-states from the look again, then 365 a bit.
RX_BIT_PAD MACRO
        LD D,0                      ; (7)
        ENDM

JR_PC_READY MACRO dest
        IN A,(IF1_CONTROL)
        AND %00001000               ; DTR: 1 = ready
        JR NZ,dest
        ENDM

TX_SPACE MACRO
        LD A,1
        OUT (IF1_DATA),A            ; (11)
        ENDM
; From the start bit's OUT to the first data bit's: 365.
TX_FIRST_LOOPS  EQU 20
TX_FIRST_PAD MACRO
        JR $+2                      ; (12)
        ENDM

TX_CARRY MACRO
        SBC A,A                     ; (4) $FF for a 1
        INC A                       ; (4) 0 for a 1: mark
        OUT (IF1_DATA),A            ; (11)
        ENDM
; From one data bit's OUT to the next: 365.
TX_BIT_LOOPS    EQU 19
TX_BIT_PAD MACRO
        LD D,0                      ; (7)
        ENDM
