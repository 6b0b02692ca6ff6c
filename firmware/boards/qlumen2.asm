* Monitor of the "Q.Lumen II" trainer board (QLumen2.s19).
*
* The board: RAM at 0000-00FF and C800-DFFF, I/O at C000-C003, this ROM at
* F800-FFFF, sixteen latched seven-segment digits and a 40-key keypad.
*   C000  write: bit 7 falling sets the digit counter to 15, bit 6 falling
*         the keypad row counter to 0; read: the keypad row counter's row,
*         bits 5-0, 0 = held (row 0 any key of all, rows 1-8 keypad rows
*         0-7); every read steps to the next row
*   C002  write: the segments (active high) of the digit the counter
*         points at; the counter then steps down
* Digit 15 is the leftmost, so the picture goes out left to right. Keypad
* rows 0-3: the hex digits in bits 0-3 (row r bit b is digit 4r + b) and
* AD, NX, PR, GO in bit 4; rows 4-7 the calculator keys, which the monitor
* ignores.

stack_top   equ $CFFF
io_control  equ $C000
io_segments equ $C002

            include "monitor.inc"
            include "sevenseg.inc"

board_init  rts

board_frame jmp seg_frame

board_scan  ldaa #$C0
            staa io_control
            ldaa #$40       ; bit 7 falls: digit 15 next
            staa io_control
            ldx #picture
bs_digit    ldaa 0,x
            staa io_segments
            inx
            cpx #picture+16
            bne bs_digit
            ldaa #$C0
            staa io_control
            ldaa #$80       ; bit 6 falls: the any-key row next
            staa io_control
            ldaa io_control
            coma
            anda #$1F
            beq bs_none
            clr >count
bs_row      ldaa io_control
            coma
            anda #$1F
            bne bs_found
            inc >count
            ldaa count
            cmpa #8
            bne bs_row
bs_none     ldaa #no_key
            rts
bs_found    ldab count
            jmp keycode

            org $FD00
* Key codes by place (row * 8 + bit).
keytab      fcb $00,$01,$02,$03,k_ad,no_key,no_key,no_key
            fcb $04,$05,$06,$07,k_nx,no_key,no_key,no_key
            fcb $08,$09,$0A,$0B,k_pr,no_key,no_key,no_key
            fcb $0C,$0D,$0E,$0F,k_go,no_key,no_key,no_key
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
