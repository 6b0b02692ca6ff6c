bump    macro
        adda #\1
        endm
        org $0100
        if 1
        bump 2
        else
        bump 3
        endif
.l      bra .l
        fill $EA,3
        align 4
        set v,5
        error "never"
