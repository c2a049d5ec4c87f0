; Bitreel's fast loader, first steps: the code in the bootstrap's BASIC line,
; run by RANDOMIZE USR wherever the program sits (BC = its address). For a
; 128K program it first makes sure the machine can page; if not, it says so
; on the screen and returns to BASIC with nothing overwritten that BASIC
; needs. Then it copies the resident part (its bytes follow these) to page
; 0x80 and has it load the main part.
;
; Bitreel patches the resident part's size and entry, and where the main
; part goes, its length, its check and its entry.

        org 0

pro:    di
if NEED128
        ld d,b                  ; not on the stack: BASIC's is in the bank paged
        ld e,c
        ld bc,0x7ffd            ; banks 1 and 3 at 0xC000 in turn
        ld a,0x11
        out (c),a
        ld (0xc000),a
        ld a,0x13
        out (c),a
        ld (0xc000),a
        ld a,0x11
        out (c),a
        ld a,(0xc000)           ; still bank 1's byte: the machine pages
        ld b,d
        ld c,e
        cp 0x11
        jr z,go
        ei
        push bc
        ld a,2                  ; the upper screen (CHAN-OPEN)
        call 0x1601
        pop hl
        ld de,message-pro
        add hl,de
say:    ld a,(hl)
        and 0x7f
        rst 0x10
        bit 7,(hl)
        inc hl
        jr z,say
        ret
message:
        db "This program needs a 128K Spectru",'m'+0x80
go:
endif
        ld hl,resident-pro
        add hl,bc
pfbase  equ $+1
        ld de,0
pfsize  equ $+1
        ld bc,0
        ldir
        ld sp,0x8100
pmorg   equ $+1
        ld hl,0
pmlen   equ $+1
        ld de,0
pmcheck equ $+1
        ld bc,0
pfload  equ $+1
        call 0
pmentry equ $+1
        jp 0
resident:
