; Bitreel's fast loader, resident part: the few bytes that stay to the end,
; at the top of page 0x80. They read a block of the loader's own encoding
; (the main part at the start, the main part's place back at the end) and
; check it, stop the machine when a block is damaged, and start the tail,
; which loads these bytes back last.
;
; A block: a pilot, a shorter sync pulse, then one pulse a bit, most
; significant first, a long pulse a 1. Runs with interrupts off; keeps IX,
; IY and the alternate registers.

        org FBASE
FBASEAT equ FBASE

; A damaged block: fine red and white stripes on the border, for ever.
fail:   ld a,2
f1:     out (0xfe),a
        xor 5
        jr f1

; HL = where, DE = how many bytes, BC = the check they must give (s2 s1).
; After the sync comes a lead-in pulse, read as the 1 that becomes the
; first byte's marker bit: the first data bit is then timed as any other.
load:   push bc
        push hl
        push de
fpilot  equ $+1
        ld d,0
        call sync
        pop de
        pop hl
        push hl
        push de
        ld (hl),0
        ld b,0x80
        jr fedge
fbyte:  ld (hl),1
fs1     equ $+1
        ld b,0                  ; each byte's first bit
        jr fedge
fbit:
fs      equ $+1
        ld b,0
fedge:  inc b
        in a,(0xfe)
        and 0x40
        cp c
        jp z,fedge
        ld c,a
        ld a,b
        rla
        rl (hl)
        jr nc,fbit
        inc hl
        dec de
        ld a,d
        or e
        jr nz,fbyte
        pop de
        pop hl
        ld bc,0
fsum:   ld a,(hl)
        add a,c
        ld c,a
        add a,b
        ld b,a
        inc hl
        dec de
        ld a,d
        or e
        jr nz,fsum
        pop hl
        or a
        sbc hl,bc
        ret z
        jr fail

; The reader's T-states, for Bitreel's thresholds (src/fastload/
; LoaderTiming.cpp): a wait's turn (the pilot's wait's too), and from a
; wait's JP to the next wait's INC B between two bits and across a byte.
FBTURN  equ 36
FBPATH  equ 4+4+4+15+12+7
FBBYTE  equ 4+4+4+15+7+6+6+4+4+12+10+7+12
FSTURN  equ 45
FSPATH  equ 4+4+4+7+4+12+7
MINPILOTS equ MINPILOT

; Waits for a pilot of at least MINPILOT pulses whose counts reach D, and
; the shorter pulse after it; returns at the edge that ends that pulse,
; C = the level after it (0 or 0x40).
sync:   ld e,0
sy1:    ld b,0
sy2:    inc b
        jr z,sync               ; no edge for a long while: start again
        in a,(0xfe)
        and 0x40
        cp c
        jr z,sy2
        ld c,a
        ld a,b
        cp d
        jr c,sy3
        inc e
        jr nz,sy1
        dec e
        jr sy1
sy3:    ld a,e
        cp MINPILOT
        jr c,sync
        ret

; The main part's bytes are back: the tail's block follows.
final:
tpilot  equ $+1
        ld d,0
        call sync
        ld hl,FBASE
tde     equ $+1
        ld de,0
tsp     equ $+1
        ld sp,0
tjp     equ $+1
        jp 0

        ds 0x8100-STACKSIZE-$
fstack:
        ds STACKSIZE
