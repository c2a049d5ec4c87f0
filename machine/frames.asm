; Bitreel's frames: the length of what follows (2 bytes, low first), then
; the flag, the payload and the checksum.
;
; Received frames carry the checksum Bitreel's Play sends: the XOR of the
; payload alone. CTS stays up for the whole frame; once it is in, CTS drops
; and what the PC's adapter still sends is kept for the next frame.
; Sent frames carry the ROM's checksum, the XOR of flag and payload, so that
; a recorded tape loads anywhere.

; Why a call failed, in A with carry clear.
RX_QUIET        EQU 1               ; the line was quiet for 5 s in a frame
RX_BREAK        EQU 2               ; SPACE was pressed
RX_DAMAGED      EQU 3               ; the checksum is wrong
RX_LENGTH       EQU 4               ; a frame of another length came
RX_FLAG         EQU 5               ; a frame of another flag came
RX_NO_ROOM      EQU 6               ; the block would not fit where asked

LATE_MAX        EQU 8               ; bytes kept from after CTS dropped

; Takes one frame. In: HL = where the payload goes, DE = its length, A = the
; flag it must have. Out: carry set when such a frame came whole and its
; checksum is right; else carry clear and A = why. The payload is stored as
; it arrives; a frame of another flag or length stores nothing.
rx_frame:
        LD (want_flag),A
        PUSH DE
        EXX
        POP BC                      ; payload bytes to come
        LD L,0                      ; their checksum so far
        EXX
        INC DE
        INC DE
        LD (want_length),DE         ; as the length field gives it
rx_first:                           ; the PC may take its time to start
        CALL get_byte
        JR C,rx_length
        CP RX_QUIET
        JR Z,rx_first
        JR rx_failed
rx_length:
        LD (got_length),A
        CALL get_byte
        JR NC,rx_failed
        LD (got_length+1),A
        LD A,(got_length)
        OR A
        JR NZ,rx_flag
        LD A,(got_length+1)
        OR A
        LD A,RX_LENGTH
        JR Z,rx_refuse              ; nothing but the length: no flag to read
rx_flag:
        CALL get_byte
        JR NC,rx_failed
        LD D,A
        LD A,(want_flag)
        CP D
        LD A,RX_FLAG
        JR NZ,rx_drop
        PUSH HL
        LD HL,(got_length)
        LD DE,(want_length)
        OR A
        SBC HL,DE
        POP HL
        LD A,RX_LENGTH
        JR NZ,rx_drop
        EXX
        LD A,B
        OR C
        EXX
        JR Z,rx_sum
; From one byte's last bit to the next byte's first look: 223 T-states,
; inside the stop bit and well before the next start bit.
rx_payload:
        CALL get_byte
        JR NC,rx_failed
        LD (HL),A
        INC HL
        EXX
        XOR L
        LD L,A
        DEC BC
        LD A,B
        OR C
        EXX
        JR NZ,rx_payload
rx_sum:
        CALL get_byte
        JR NC,rx_failed
        EXX
        XOR L                       ; zero when the checksum is right
        EXX
        CALL rx_late
        LD A,RX_DAMAGED
        RET NZ                      ; carry clear from XOR
        SCF
        RET

; Another flag or length: the rest of the frame is read and let go, so that
; the next call starts on a frame.
rx_drop:
        LD (reason),A
        EXX
        LD BC,(got_length)
        DEC BC                      ; the flag is in
        LD A,B
        OR C
        EXX
        JR Z,rx_dropped
rx_drop_next:
        CALL get_byte
        JR NC,rx_failed
        EXX
        DEC BC
        LD A,B
        OR C
        EXX
        JR NZ,rx_drop_next
rx_dropped:
        LD A,(reason)
rx_refuse:
        CALL rx_late
        OR A                        ; carry clear
        RET
rx_failed:
        PUSH AF
        CALL cts_down
        POP AF
        RET

; The frame is in: CTS drops, and the bytes that still come are kept, up to
; LATE_MAX, until the line has been quiet for one span. Keeps A and F.
rx_late:
        PUSH AF
        PUSH HL
        CALL cts_down
        LD A,(late_count)
        OR A
        JR NZ,late_done             ; the frame came from kept bytes: CTS stayed down
        LD HL,1
        LD (rx_limit),HL
        LD HL,late_bytes
        LD (late_next),HL
late_wait:
        CALL rx_byte
        JR NC,late_done
        LD D,A
        LD A,(late_count)
        CP LATE_MAX
        JR NC,late_wait             ; no room: the frame it begins fails its checks
        INC A
        LD (late_count),A
        LD (HL),D
        INC HL
        JR late_wait
late_done:
        LD HL,QUIET_5S
        LD (rx_limit),HL
        POP HL
        POP AF
        RET

; The next byte of a frame: one kept from before, else one from the line,
; with CTS raised for it. As rx_byte.
get_byte:
        LD A,(late_count)
        OR A
        JP Z,rx_byte_cts
        DEC A
        LD (late_count),A
        PUSH HL
        LD HL,(late_next)
        LD A,(HL)
        INC HL
        LD (late_next),HL
        POP HL
        SCF
        RET

; Sends one frame. In: HL = the payload, DE = its length, A = the flag.
; Out: carry set when sent; carry clear and A = RX_BREAK when SPACE stopped
; it, or RX_LENGTH when the payload is too long for a frame.
tx_frame:
        LD (want_flag),A
        PUSH HL
        LD HL,65533
        OR A
        SBC HL,DE
        JR C,tx_too_long
        PUSH DE
        EXX
        POP BC                      ; payload bytes to go
        LD L,A                      ; the checksum so far: the flag's
        EXX
        CALL cts_down
        EX DE,HL
        INC HL
        INC HL                      ; the length field
        LD E,L
        PUSH HL
        CALL tx_byte
        POP HL
        JR NC,tx_stopped
        LD E,H
        CALL tx_byte
        JR NC,tx_stopped
        LD A,(want_flag)
        LD E,A
        CALL tx_byte
tx_stopped:
        POP HL
        RET NC
        EXX
        LD A,B
        OR C
        EXX
        JR Z,tx_sum
tx_next:
        LD A,(HL)
        INC HL
        LD E,A
        EXX
        XOR L
        LD L,A
        EXX
        CALL tx_byte
        RET NC
        EXX
        DEC BC
        LD A,B
        OR C
        EXX
        JR NZ,tx_next
tx_sum:
        EXX
        LD A,L
        EXX
        LD E,A
        JP tx_byte
tx_too_long:
        POP HL
        LD A,RX_LENGTH
        OR A                        ; carry clear
        RET
