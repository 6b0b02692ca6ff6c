; a small program
        org $8000
start   ldaa #$41
        ldx #table
loop    staa 0,x
        inx
        cpx #table+8
        bne loop
        jmp start
table   fcb 1,2,3,$FF
        fdb start,loop
        fcc "HI"
        rmb 4
count   equ 8
        end start
