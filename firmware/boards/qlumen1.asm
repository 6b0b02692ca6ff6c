* Monitor of the "Q.Lumen I" trainer board (QLumen1.s19).
*
* The board: RAM in page 0 (I/O at 0080-0082) and at C000-CFFF, this ROM at
* F800-FFFF, ten seven-segment digits and a 40-key keypad.
*   0082  write: segment latch, active low (bit 0 a ... bit 6 g, bit 7 point)
*   0080  write: bits 3-0 choose the digit, which takes the latch, and the
*         keypad row; read: bits 7-4 the row's keys, 0 = held
* Keypad rows 0-3 are the hex digits (row r bit b is digit 4r + b); row 4
* holds AD, NX, PR, GO; rows 5-9 the calculator keys, which the monitor
* ignores.
*
* Digits glow for a while after they are left, so each is shown for about
* 800 cycles, longer than the board's refresh period: every digit is caught
* at every refresh round. The keypad row of the digit shown is read at the
* end of its turn.

stack_top   equ $CFFF
digit       equ $09         ; digit being shown, and keypad row

            include "monitor.inc"
            include "sevenseg.inc"

board_init  rts

board_frame jmp seg_frame

board_scan  ldaa #no_key
            staa found
            clr >digit
bs_digit    ldaa #picture
            adda digit
            staa tmp+1
            clr >tmp
            ldx tmp
            ldaa 0,x
            coma
            staa $82        ; the digit's segments, active low
            ldaa digit
            staa $80        ; the digit takes them; its keypad row is read
            ldab #130
bs_wait     decb
            bne bs_wait
            ldaa $80
            coma
            anda #$F0
            beq bs_next
            ldab found      ; the first row with a key held gives the key
            cmpb #no_key
            bne bs_next
            lsra
            lsra
            lsra
            lsra
            ldab digit
            jsr keycode
            staa found
bs_next     inc >digit
            ldaa digit
            cmpa #10
            bne bs_digit
            ldaa found
            rts

            org $FD00
* Key codes by place (row * 8 + bit).
keytab      fcb $00,$01,$02,$03,no_key,no_key,no_key,no_key
            fcb $04,$05,$06,$07,no_key,no_key,no_key,no_key
            fcb $08,$09,$0A,$0B,no_key,no_key,no_key,no_key
            fcb $0C,$0D,$0E,$0F,no_key,no_key,no_key,no_key
            fcb k_ad,k_nx,k_pr,k_go,no_key,no_key,no_key,no_key
            fcb no_key,no_key,no_key,no_key,no_key,no_key,no_key,no_key
            fcb no_key,no_key,no_key,no_key,no_key,no_key,no_key,no_key
            fcb no_key,no_key,no_key,no_key,no_key,no_key,no_key,no_key
            fcb no_key,no_key,no_key,no_key,no_key,no_key,no_key,no_key
            fcb no_key,no_key,no_key,no_key,no_key,no_key,no_key,no_key

            org $FE00
            include "segtab.inc"

            org $FFF8
            fdb ignore      ; IRQ
            fdb ignore      ; SWI
            fdb ignore      ; NMI
            fdb cold        ; reset
            end cold
