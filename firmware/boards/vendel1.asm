* Monitor of the "Vendel-I" trainer board (Vend1.s19).
*
* The board: RAM in page 0 (0000-007F, I/O at 0081 and 0090-00A4) and at
* C000-CFFF, this ROM at F800-FFFF, 20 keys and an 8 x 8 LED matrix.
*   0090-0097  bit 0: column line 0-7 (column 0 leftmost), 1 lights
*   0098-009F  bit 0: row line 7-0 (0098 row 7, 009F row 0), 0 selects
*   00A0-00A4  keypad rows: bits 3-0, 0 = held. Rows 0-3 the hex digits
*              (row r bit b is digit 4r + b); row 4: sh rp S N
* Keys: S = AD (address entry), N = NX (next), sh = PR (previous), rp = GO.
*
* The matrix shows, row by row (bit 7 in column 0): row 0 the address's
* high byte, row 1 its low byte, row 3 the byte at the address, row 6 the
* entry: columns 0-1 lit for address entry, 6-7 for data entry; the other
* rows dark. From power-on until the first key it shows a diagonal cross
* instead: the LEDs with column = row or column = 7 - row.
*
* LEDs glow for a while after their row is left, so the rows are shown one
* at a time, each for about 850 cycles, longer than the board's refresh
* period: every row is caught at every refresh round.

stack_top   equ $CFFF
row         equ $09         ; row being shown
rowptr      equ $0A         ; 2: address of the row line being driven
picptr      equ $0C         ; 2: the picture byte of that row

            include "monitor.inc"

board_init  ldx #$0098      ; every row line off
bi_rows     ldaa #1
            staa 0,x
            inx
            cpx #$00A0
            bne bi_rows
            rts

board_frame tst >splash
            beq bf_show
            ldx #cross
            stx tmp
            ldx #picture
bf_copy     stx picptr
            ldx tmp
            ldaa 0,x
            inx
            stx tmp
            ldx picptr
            staa 0,x
            inx
            cpx #picture+8
            bne bf_copy
            rts
bf_show     ldaa addr
            staa picture
            ldaa addr+1
            staa picture+1
            ldx addr
            ldaa 0,x
            staa picture+3
            clr >picture+2
            clr >picture+4
            clr >picture+5
            clr >picture+7
            ldaa #$C0
            tst >mode
            beq bf_mode
            ldaa #$03
bf_mode     staa picture+6
            rts

cross       fcb $81,$42,$24,$18,$18,$24,$42,$81

* board_scan: shows the eight rows once, then reads the keypad.
board_scan  clr >row
            ldx #picture
            stx picptr
bs_row      ldx picptr
            ldaa 0,x
            ldx #$0090      ; column lines, bit 7 of the row first
bs_col      clrb
            asla
            rolb
            stab 0,x
            inx
            cpx #$0098
            bne bs_col
            ldaa #$9F       ; row r's line is at 009F - r
            suba row
            staa rowptr+1
            clr >rowptr
            ldx rowptr
            clr 0,x         ; row on
            ldab #140
bs_wait     decb
            bne bs_wait
            ldaa #1
            staa 0,x        ; row off
            ldx picptr
            inx
            stx picptr
            inc >row
            ldaa row
            cmpa #8
            bne bs_row
* The keypad: the first row with a key held gives the key.
            clr >count
            ldx #$00A0
ks_row      ldaa 0,x
            coma
            anda #$0F
            bne ks_found
            inc >count
            inx
            cpx #$00A5
            bne ks_row
            ldaa #no_key
            rts
ks_found    ldab count
            jmp keycode

            org $FD00
* Key codes by place (row * 8 + bit).
keytab      fcb $00,$01,$02,$03,no_key,no_key,no_key,no_key
            fcb $04,$05,$06,$07,no_key,no_key,no_key,no_key
            fcb $08,$09,$0A,$0B,no_key,no_key,no_key,no_key
            fcb $0C,$0D,$0E,$0F,no_key,no_key,no_key,no_key
            fcb k_pr,k_go,k_ad,k_nx,no_key,no_key,no_key,no_key

            org $FFF8
            fdb ignore      ; IRQ
            fdb ignore      ; SWI
            fdb ignore      ; NMI
            fdb cold        ; reset
            end cold
