; Bitreel's fast loader, main part: reads the chunks of a snapshot's memory
; at the fast rate, checks each, unpacks it in place, then restores the
; sound chip, the paging and the registers, puts the tail below the
; program's stack and hands over to the resident part (fastboot.asm), which
; loads this part's own bytes back and starts the tail.
;
; Assembled at two origins; Bitreel moves it to any page of bank 2 by the
; bytes that differ between the two. The tables at the end are Bitreel's to
; fill.
;
; Runs with interrupts off and calls no ROM routine. Uses IX, IY and the
; alternate registers, which it restores last.

        org ORIGIN

; The resident part's entry points, fixed in page 0x80 (see fastboot.asm):
; its stop for a damaged block first, then its loader of a block.
FFAIL   equ FBASE
FLOAD   equ FBASE+8

; --- The chunk loop. Each entry of the table: the value for 0x7FFD or
; 0xFF (no paging), where the loaded bytes start (2), the bytes in the
; last page of 256 (0 = 256) and the pages, the check (s1, s2), where
; unpacking writes (2) and where it stops (2). 0xFE ends the table.
main:   ld ix,chunks
next:   ld a,(ix+0)
        cp 0xfe
        jp z,restore
        cp 0xff
        jr z,paged
        ld bc,0x7ffd
        out (c),a
paged:  ld l,(ix+1)
        ld h,(ix+2)
        dec hl                  ; the reader moves on before it stores
        ld e,(ix+3)
        ld a,(ix+4)
        exx
        ld d,a
        ld bc,0                 ; the sums s2 s1
        exx
        call read
        exx
        ld a,c
        cp (ix+5)
        jp nz,FFAIL
        ld a,b
        cp (ix+6)
        jp nz,FFAIL
        exx
        ld a,(ix+9)
        ld (endlo),a
        ld (endlo2),a
        ld a,(ix+10)
        ld (endhi),a
        ld (endhi2),a
        ld l,(ix+1)
        ld h,(ix+2)
        ld e,(ix+7)
        ld d,(ix+8)
        call unpack
        ld bc,11
        add ix,bc
        jr next

; The reader's T-states, for Bitreel's thresholds (src/fastload/
; LoaderTiming.cpp): a wait's turn, and on each path from a wait's JP to
; the next wait's INC B (LD B included): bit 0 to 1, 1 to 2, the others,
; 7 to the next byte's 0, the same across a page of 256. From the look
; that sees the lead-in end to bit 0's first look: the lead-in's wait has
; no INC B before its IN, bit 0's has. The pilot's wait's turn and path.
RDTURN  equ 29
RDPATH0 equ 4+4+8+4+4+4+4+4+7
RDPATH1 equ 4+4+8+6+4+7+7+11+7
RDPATH  equ 4+4+8+7
RDPATH7 equ 4+4+8+7+4+4+4+4+4+4+10+7
RDPAGE  equ 4+4+8+7+4+4+4+4+4+4+10+4+4+4+7+7+10
RDLEAD  equ 29+4+7+10
MSTURN  equ 40
MSPATH  equ 4+7+4+4+7+7+4+12+7
MINPILOTS equ MINPILOT

; --- The reader. A block: a pilot, a shorter sync pulse, a lead-in pulse,
; then one pulse a bit, most significant bit first, a long pulse a 1.
; HL = one before where the bytes go, E = bytes in the last page of 256
; (0 = 256), D' = pages, B'C' = the sums so far. Each bit's count starts
; at its own value, so that the T-states spent since the last edge count
; alike: a bit is 1 when its count reaches 128.
read:   call msync              ; C = the lead-in's level
        ld a,(even)             ; the level the even bits were set for
        xor c
        jp nz,lead              ; the opposite: as set
        ld a,c                  ; the same: every wait turns round
        cpl
        and 0x80
        ld (even),a
        ld a,(j0)
        xor 8
        ld (j0),a
        ld a,(j1)
        xor 8
        ld (j1),a
        ld a,(j2)
        xor 8
        ld (j2),a
        ld a,(j3)
        xor 8
        ld (j3),a
        ld a,(j4)
        xor 8
        ld (j4),a
        ld a,(j5)
        xor 8
        ld (j5),a
        ld a,(j6)
        xor 8
        ld (j6),a
        ld a,(j7)
        xor 8
        ld (j7),a
lead:   in a,(0xfe)             ; until the lead-in ends
        add a,a
        xor c
        jp p,lead
sl      equ $+1
        ld b,0
        jp e0

; The wait of each bit: JP M while the level is high, JP P while low. The
; even bits have the level the lead-in does not.
bit0:
s0      equ $+1
        ld b,0
e0:     inc b
        in a,(0xfe)
        add a,a
j0      equ $
        jp m,e0
        ld a,b
        rla
        rl d
        exx                     ; s2 += s1 (the byte before)
        ld a,c
        add a,b
        ld b,a
        exx
s1      equ $+1
        ld b,0
e1:     inc b
        in a,(0xfe)
        add a,a
j1      equ $
        jp p,e1
        ld a,b
        rla
        rl d
        inc hl
        ld a,d                  ; the border shows the bytes go by; MIC
        and 7                   ; high and EAR low, as the ROM has them
        or 8                    ; while it loads
        out (0xfe),a
s2      equ $+1
        ld b,0
e2:     inc b
        in a,(0xfe)
        add a,a
j2      equ $
        jp m,e2
        ld a,b
        rla
        rl d
s3      equ $+1
        ld b,0
e3:     inc b
        in a,(0xfe)
        add a,a
j3      equ $
        jp p,e3
        ld a,b
        rla
        rl d
s4      equ $+1
        ld b,0
e4:     inc b
        in a,(0xfe)
        add a,a
j4      equ $
        jp m,e4
        ld a,b
        rla
        rl d
s5      equ $+1
        ld b,0
e5:     inc b
        in a,(0xfe)
        add a,a
j5      equ $
        jp p,e5
        ld a,b
        rla
        rl d
s6      equ $+1
        ld b,0
e6:     inc b
        in a,(0xfe)
        add a,a
j6      equ $
        jp m,e6
        ld a,b
        rla
        rl d
s7      equ $+1
        ld b,0
e7:     inc b
        in a,(0xfe)
        add a,a
j7      equ $
        jp p,e7
        ld a,b
        rla
        rl d
        ld (hl),d
        ld a,d
        exx                     ; s1 += the byte
        add a,c
        ld c,a
        exx
        dec e
        jp nz,bit0
        exx                     ; a page of 256 done
        dec d
        exx
        jr z,rdone
sp0     equ $+1
        ld b,0
        jp e0
rdone:  exx                     ; s2 += s1 of the last byte
        ld a,c
        add a,b
        ld b,a
        exx
        ret

; Waits for a pilot of at least MINPILOT pulses and the shorter pulse
; after it; returns at the edge that ends it, C = the new level (bit 7).
msync:  ld a,c                  ; C holds the level in bit 7 alone
        and 0x80
        ld c,a
ms0:    ld d,0
ms1:    ld b,0
ms2:    inc b
        jr z,ms0                ; no edge for a long while: start again
        in a,(0xfe)
        add a,a
        xor c
        jp p,ms2
        ld a,c
        xor 0x80
        ld c,a
        ld a,b
mpilot  equ $+1
        cp 0
        jr c,ms3
        inc d
        jr nz,ms1
        dec d
        jr ms1
ms3:    ld a,d
        cp MINPILOT
        jr c,ms0
        ret

even:   db 0x80                 ; JP M in the even bits: they wait while high

; --- The unpacker: the stream at HL becomes bytes at DE until DE reaches
; the end patched into ENDLO/ENDHI (and their copies after a run). A holds
; the stream's bits still to read above a marker bit. After a match (and
; at the start) a bit says what comes: 0 a run of literal bytes, 1 a match;
; after a run a match always comes. Numbers (1 up) are interlaced: a 1 and
; a bit for each bit below the leading one, then a 0. A run: its length,
; then its bytes. A match: its length - 1, then the offset's high byte + 1
; and its low byte; it copies from DE - offset - 1. The packer's time model
; (src/fastload/Packer.cpp) counts these instructions.

; A bit of the stream into the carry.
GETBIT  macro
        local got
        add a,a
        jr nz,got
        ld a,(hl)
        inc hl
        adc a,a
got:
        endm

; A number into BC.
NUMBER  macro
        ld bc,1
        GETBIT
        call c,numrest
        endm

unpack: ld a,0x80
token:  ld b,a                  ; at the end?
        ld a,e
endlo   equ $+1
        cp 0
        jr z,atlo
more:   ld a,b
        GETBIT
        jr c,match
        NUMBER
        ldir
        ld b,a
        ld a,e
endlo2  equ $+1
        cp 0
        jr z,atlo2
more2:  ld a,b
match:  NUMBER
        inc bc
        ld (copylen),bc
        NUMBER
        ld b,c
        dec b
        ld c,(hl)
        inc hl
        push hl
        ld h,d
        ld l,e
        scf
        sbc hl,bc
copylen equ $+1
        ld bc,0
        ldir
        pop hl
        jr token
atlo:   ld a,d
endhi   equ $+1
        cp 0
        jr nz,more
        ret
atlo2:  ld a,d
endhi2  equ $+1
        cp 0
        jr nz,more2
        ret

numrest:
        GETBIT
        rl c
        rl b
        GETBIT
        jr c,numrest
        ret

; --- The restore, once every chunk is in: the sound chip (128K), the
; paging (0x1FFD first: a 128 takes it as 0x7FFD, which the last write
; then sets right), the tail below the program's stack, then I, IM, the
; alternate set, IX, IY; the border for the last block; then the resident
; part loads this part's bytes and starts the tail.
restore:
        ld a,(hasay)
        or a
        jr z,noay
        ld hl,ay
        ld d,0
ay1:    ld bc,0xfffd
        out (c),d
        ld b,0xbf
        ld a,(hl)
        out (c),a
        inc hl
        inc d
        bit 4,d
        jr z,ay1
        ld b,0xff
        ld a,(aylast)
        out (c),a
noay:   ld bc,0x1ffd
        ld a,(p1ffd)
        out (c),a
        ld b,0x7f
        ld a,(p7ffd)
        out (c),a
        ld hl,tail
tailat  equ $+1
        ld de,0
        ld bc,TAILSIZE
        ldir
iv      equ $+1
        ld a,0
        ld i,a
imode   equ $+1
        im 1
        exx
bc2     equ $+1
        ld bc,0
de2     equ $+1
        ld de,0
hl2     equ $+1
        ld hl,0
        exx
af2     equ $+1
        ld hl,0
        push hl
        pop af
        ex af,af'
ixv     equ $+2
        ld ix,0
iyv     equ $+2
        ld iy,0
lastbd  equ $+1
        ld a,0
        out (0xfe),a
fcont   equ $+1
        ld hl,0                 ; where the resident part goes on
        push hl
mcheck  equ $+1
        ld bc,0                 ; the check of this part's own bytes
        ld hl,ORIGIN
mlen    equ $+1
        ld de,0
        jp FLOAD

hasay:  db 0
ay:     ds 16
aylast: db 0
p1ffd:  db 0
p7ffd:  db 0

; --- The tail, copied to the 48 bytes below the program's stack. It loads
; the resident part's page (H = 0x80, from L up to the page's end) at a
; slow rate whatever the memory's contention: each bit's count starts at
; the level (0 or 0x40) and the level after the edge adds the rest of
; 0x40, so that a count of 64 sets bit 7: a long pulse. Bits come least
; significant first into the byte, which starts as H (0x80), the marker.
; E sums the bytes and ends as the program's E; D is the program's.
; SP points at HL, BC, AF and PC, the last words below the program's SP.
tail:
tbyte:  ld (hl),h
tbit:   ld b,c
tedge:  inc b
        in a,(0xfe)
        and 0x40
        cp c
        jr z,tedge
        ld c,a
        add a,b
        rla
        rr (hl)
        jr nc,tbit
        ld a,e
        add a,(hl)
        ld e,a
        inc l
        jr nz,tbyte
tsum    equ $+1
        cp 0
        jr nz,$                 ; damaged: stop, the border as it is
tborder equ $+1
        ld a,0
        out (0xfe),a
        pop hl
        pop bc
tr      equ $+1
        ld a,0
        ld r,a
        pop af
tei     equ $
        ei
        ret
twords: ds 8                    ; HL, BC, AF, PC
tailend:
TAILSIZE equ tailend-tail

; --- Bitreel's table of chunks follows.
chunks:
