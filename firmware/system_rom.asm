* System ROM of the console: start-up, the service routines behind the jump
* table at $F800, the interrupt entries, and the machine-check screen shown
* when no cartridge claims the machine.
*
* The console decodes only 11 address lines inside its ROM windows, so this
* 2K image appears four times in $4000-$5FFF and four times in $E000-$FFFF.
* It is assembled for its last copy, where the processor finds the vectors.
*
* RAM use: $0180-$01BF variables, $01C0-$01FF stack. The tile map below
* $0180 is left alone (graphics programs own it); the text screen is
* $0200-$03FF, 16 rows of 32 characters.

* ---------------------------------------------------------------- hardware

pia1_pa     equ $2000       ; keypads, active low: bits 7-4 left, 3-0 right
pia1_cra    equ $2001       ; bit 3: video alpha/graphics select; bit 2: port/DDR
pia1_pb     equ $2002       ; bits 7-6 video mode, 3-0 keypad columns (active low);
*                             reading it releases the field-sync interrupt
pia1_crb    equ $2003       ; bit 3 speaker; bits 2-0 = 5: interrupt on field-sync fall
pia2_pa     equ $6000       ; keyboard row, active low
pia2_cra    equ $6001
pia2_pb     equ $6002       ; bits 2-0 keyboard row select, bit 7 cassette input
pia2_crb    equ $6003

crb_sync    equ $05         ; output register, field-sync interrupt on the falling edge
speaker     equ $08         ; CRB bit driving the speaker

screen      equ $0200
screen_end  equ $0400
space_code  equ $60         ; blank in normal video

cart        equ $8000
cart_sig    equ $BB         ; first byte of a cartridge that wants the machine

* --------------------------------------------------------------- variables
* Public: documented for cartridges and BASIC.
ticks       equ $0180       ; 2: field-sync interrupts taken (60 a second)
cursor      equ $0182       ; 2: screen address putchar writes next
inverse     equ $0184       ; $00 normal video, $40 inverse video for putchar
vmode       equ $0185       ; port B video mode bits (7-6) readpad keeps
irqhook     equ $0186       ; 2: if not 0, the IRQ entry jumps here (end with rti)
swihook     equ $0188       ; 2: the same for SWI
nmihook     equ $018A       ; 2: the same for NMI
krow        equ $018C       ; 7: keyboard rows 0-6 of the last scan, 1 = held
* Private to the ROM.
padl        equ $0193       ; 2: left controller mask (check screen)
padr        equ $0195       ; 2: right controller mask (check screen)
ckprev      equ $0197       ; 11: krow, padl, padr as of the previous field
kseen       equ $01A2       ; 7: keys getkey reported, until released
xtmp        equ $01A9       ; 2: xplusb
sx_out      equ $01AB       ; 2: X saved by cls and putchar
sx_in       equ $01AD       ; 2: X saved by readkeys and readpad
sx_key      equ $01AF       ; 2: X saved by getkey and the check screen's helpers
t0          equ $01B1       ; 2: scratch of getkey, the key list and padshow
padsel      equ $01B3
count       equ $01B4
pmask       equ $01B5       ; 2
pitch       equ $01B7
changed     equ $01B8
newp        equ $01B9
praw        equ $01BA       ; 4: keypad columns 0-3 as last read, 1 = held
tcol        equ $01BE       ; typed line: next column; bit 7 once RETURN ended it
*                             $01BF free
vars        equ $0180
vars_end    equ $01C0
stack_top   equ $01FF

* Controller keys as readpad reports them: bit n of the 16-bit mask (A high,
* B low) is key n in the order Fire, Clear, N, S, E, W, 0-9.
pk_fire     equ $0001
pk_clear    equ $0002
pk_north    equ $0004
pk_south    equ $0008
pk_east     equ $0010
pk_west     equ $0020
pk_digit    equ $0040       ; digit d is pk_digit << d

beep_pitch  equ 72          ; about 1 kHz
beep_length equ 40          ; 40 cycles: 40 ms

* Check screen layout (rows).
kbd_row     equ 3           ; rows 3-4: keyboard keys held
kbd_limit   equ screen+kbd_row*32+64-6  ; room for RETURN and its blank
lpad_row    equ 6           ; rows 6-7
rpad_row    equ 9           ; rows 9-10
colour_row  equ 12
typed_row   equ 13
last_row    equ 14
tick_row    equ 15

            org $F800

* -------------------------------------------------------------- jump table
* Fixed entry points; see README.md for registers in and out.
            jmp cls         ; F800
            jmp putchar     ; F803
            jmp getkey      ; F806
            jmp readpad     ; F809
            jmp beep        ; F80C
            jmp tone        ; F80F
            jmp putstr      ; F812
            jmp puthex      ; F815
            jmp locate      ; F818
            jmp readkeys    ; F81B

* ------------------------------------------------------------------- reset

reset       sei
            lds #stack_top
* PIA1: port A all inputs (keypads); port B outputs for the mode bits and
* the keypad columns. Each data-direction register is reached with bit 2 of
* its control register clear.
            clr pia1_cra
            clr pia1_pa
            ldaa #$04       ; port A register; bit 3 clear: alphanumeric
            staa pia1_cra
            clr pia1_crb
            ldaa #$CF
            staa pia1_pb
            ldaa #crb_sync  ; speaker low, field-sync interrupt on the fall
            staa pia1_crb
            ldaa #$0F       ; text mode, no keypad column selected
            staa pia1_pb
* PIA2: port A inputs (keyboard rows); port B bits 2-0 select the row, bit 7
* reads the cassette.
            clr pia2_cra
            clr pia2_pa
            ldaa #$04
            staa pia2_cra
            clr pia2_crb
            ldaa #$07
            staa pia2_pb
            ldaa #$04
            staa pia2_crb
            clr pia2_pb
            ldx #vars
rs_clear    clr 0,x
            inx
            cpx #vars_end
            bne rs_clear
            jsr cls
* A cartridge whose first byte is the signature gets the machine at once,
* with interrupts still masked; a CLI starts the 60 Hz tick.
            ldaa cart
            cmpa #cart_sig
            bne check
            jmp cart+1

* ---------------------------------------------------------- machine check

check       ldaa #$40
            staa inverse
            clra
            clrb
            jsr locate
            ldx #title
            jsr putstr
            clr inverse
            ldx #labels
ck_label    ldaa 0,x        ; row, column, text, 0; $FF ends the list
            bmi ck_colours
            ldab 1,x
            jsr locate
            inx
            inx
            jsr putstr
            bra ck_label
ck_colours  ldaa #colour_row
            clrb
            jsr locate
            ldaa #$8F       ; semigraphics-4, all four blocks lit: green first
ck_colour   psha
            ldaa #$80       ; a black cell before each colour, so that green
            jsr putchar     ; stands out from the green text background
            pula
            ldab #3
ck_cell     jsr putchar
            decb
            bne ck_cell
            adda #$10       ; next colour; past orange ($FF) the carry ends it
            bcc ck_colour
            cli

* One pass per field: the wait ends with the field-sync interrupt.
ck_loop     wai
            jsr getkey      ; scans the matrix into krow as well
            bcs ck_pads     ; no new key
            jsr typed
            jsr showlast
* All inputs are read early in the pass, in the same field.
ck_pads     jsr padscan
            clrb
            jsr paddecode
            staa padl
            stab padl+1
            ldab #1
            jsr paddecode
            staa padr
            stab padr+1
* Compare with the last field: a key held now but not then beeps, and the
* lists are redrawn only when something changed.
            clr newp
            clr changed
            ldx #krow
            ldab #11
ck_new      ldaa ckprev-krow,x
            eora 0,x
            oraa changed
            staa changed
            ldaa ckprev-krow,x
            coma
            anda 0,x
            oraa newp
            staa newp
            ldaa 0,x
            staa ckprev-krow,x
            inx
            decb
            bne ck_new
            tst changed
            beq ck_ticks
* Each list is written in one go, names first and blanks after them, so a
* picture taken at any moment shows it whole.
            ldaa #kbd_row
            clrb
            jsr locate
            ldx #krow
            clrb            ; B: key number
ck_row      ldaa 0,x
            staa t0
ck_bit      lsr t0
            bcc ck_next
            jsr keyname
ck_next     incb
            bitb #7
            bne ck_bit
            inx
            cpx #krow+7
            bne ck_row
            ldaa #kbd_row+2
            jsr blankto
            ldaa #lpad_row
            ldx #padl
            jsr padshow
            ldaa #rpad_row
            ldx #padr
            jsr padshow
ck_ticks    ldaa #tick_row
            ldab #7
            jsr locate
            ldaa ticks
            jsr puthex
            ldaa ticks+1
            jsr puthex
            tst newp
            beq ck_again
            jsr beep
ck_again    jmp ck_loop

* showlast: the key getkey returned (A) as a character and in hex.
showlast    psha
            ldaa #last_row
            ldab #10
            jsr locate
            pula
            psha
            cmpa #$20
            bcs sl_blank
            cmpa #$7F
            bcs sl_char
sl_blank    ldaa #' '
sl_char     jsr putchar
            ldaa #' '
            jsr putchar
            ldaa #'$'
            jsr putchar
            pula
            jmp puthex

* typed: adds the key getkey returned (A) to the typed line, so that a line
* typed on the keyboard reads back in order. RETURN and LINE FEED end the
* line: it stays until the next character starts the row afresh, as does a
* character past the last column. Other control characters are not shown.
* Preserves A and B.
typed       psha
            pshb
            cmpa #$0D
            beq ty_end
            cmpa #$0A
            beq ty_end
            cmpa #$20
            bcs ty_out
            cmpa #$7F
            bcc ty_out
            ldab tcol
            bmi ty_fresh
            cmpb #32
            bcs ty_put
ty_fresh    clrb
ty_put      stab tcol
            psha
            ldaa #typed_row
            tstb
            bne ty_at
            jsr locate      ; a fresh line: blank the row first
            ldaa #typed_row+1
            jsr blankto
            ldaa #typed_row
ty_at       jsr locate
            pula
            jsr putchar
            inc tcol
            bra ty_out
ty_end      ldab tcol
            orab #$80
            stab tcol
ty_out      pulb
            pula
            rts

* keyname: prints the name of keyboard key B and a blank, while the field
* has room. Preserves A, B, X.
keyname     psha
            pshb
            stx sx_key
            ldaa cursor+1   ; the field lies in one page of the screen
            cmpa #lo(kbd_limit)
            bcc kn_out
            ldx #keys_plain
            jsr xplusb
            ldaa 0,x        ; most keys are named by their character
            cmpa #'!'
            bcs kn_lookup
            cmpa #'_'
            bls kn_char
kn_lookup   pulb
            pshb
            ldx #key_names
kn_find     ldaa 0,x
            bmi kn_blank    ; a place in the matrix without a key
            inx
            cba
            beq kn_named
            jsr skipstr
            bra kn_find
kn_named    jsr putstr
            bra kn_blank
kn_char     jsr putchar
kn_blank    ldaa #' '
            jsr putchar
kn_out      ldx sx_key
            pulb
            pula
            rts

* padshow: lists the controller keys of the mask X points at in the two
* rows from row A. Clobbers A, B, X.
padshow     psha
            clrb
            jsr locate
            ldaa 0,x
            staa t0
            ldaa 1,x
            staa t0+1
            ldx #pad_names
            ldab #16
ps_key      lsr t0         ; bit 0 first: Fire
            ror t0+1
            bcs ps_show
            jsr skipstr
            bra ps_next
ps_show     jsr putstr
ps_next     decb
            bne ps_key
            pula
            adda #2
            jmp blankto

* blankto: blanks from the cursor up to the start of row A, where it leaves
* the cursor. Preserves A, B, X.
blankto     psha
            pshb
            stx sx_key
            ldx cursor
            clrb
            jsr locate
            ldaa #space_code
bt_loop     cpx cursor
            beq bt_done
            staa 0,x
            inx
            bra bt_loop
bt_done     ldx sx_key
            pulb
            pula
            rts

* skipstr: X past the next 0 byte.
skipstr     psha
ss_loop     ldaa 0,x
            inx
            tsta
            bne ss_loop
            pula
            rts

* xplusb: X = X + B (unsigned). Clobbers B.
xplusb      stx xtmp
            addb xtmp+1
            stab xtmp+1
            bcc xp_done
            inc xtmp
xp_done     ldx xtmp
            rts

* ---------------------------------------------------------- screen output

* cls: blank screen, cursor home. Preserves A, B, X.
cls         psha
            stx sx_out
            ldaa #space_code
            ldx #screen
cls_loop    staa 0,x
            inx
            cpx #screen_end
            bne cls_loop
            ldx #screen
            stx cursor
            ldx sx_out
            pula
            rts

* putchar: A = character. $20-$5F print (lower case as capitals), CR ends
* the line, BS and DEL erase the previous character, $80-$FF are stored as
* they are (semigraphics), other control characters print nothing. Past
* the last row the screen scrolls up. Preserves A, B, X.
putchar     psha
            pshb
            stx sx_out
            ldab cursor     ; a cursor off the screen starts again at home
            cmpb #hi(screen)
            bcs pc_home
            cmpb #hi(screen_end-1)
            bls pc_ok
pc_home     ldx #screen
            stx cursor
pc_ok       cmpa #$0D
            beq pc_cr
            cmpa #$08
            beq pc_bs
            cmpa #$7F
            beq pc_bs
            tsta
            bmi pc_store
            cmpa #$20
            bcs pc_done
            cmpa #$60
            bcs pc_upper
            suba #$20
pc_upper    cmpa #$40       ; glyphs: @ A-Z [ \ ] ^ _ are codes 0-31,
            bcc pc_code     ; space to ? are codes 32-63
            adda #$40
pc_code     eora inverse    ; normal video is code + $40, inverse the code
pc_store    ldx cursor
            staa 0,x
            inx
            stx cursor
            cpx #screen_end
            beq pc_scroll
            bra pc_done
pc_cr       ldaa cursor+1
            anda #$E0
            adda #$20
            staa cursor+1
            ldaa cursor
            adca #0
            staa cursor
            cmpa #hi(screen_end)
            bne pc_done
pc_scroll   ldx #screen
pc_move     ldaa 32,x
            staa 0,x
            inx
            cpx #screen_end-32
            bne pc_move
            ldaa #space_code
pc_clear    staa 0,x
            inx
            cpx #screen_end
            bne pc_clear
            ldx #screen_end-32
            stx cursor
            bra pc_done
pc_bs       ldx cursor
            cpx #screen
            beq pc_done
            dex
            stx cursor
            ldaa #space_code
            staa 0,x
pc_done     ldx sx_out
            pulb
            pula
            rts

* putstr: prints the text at X up to a 0 byte; X ends past the 0.
* Preserves A, B.
putstr      psha
pt_loop     ldaa 0,x
            inx
            tsta
            beq pt_done
            jsr putchar
            bra pt_loop
pt_done     pula
            rts

* puthex: A as two hex digits. Preserves A, B, X.
puthex      psha
            lsra
            lsra
            lsra
            lsra
            jsr hexdigit
            pula
            psha
            anda #$0F
            jsr hexdigit
            pula
            rts
hexdigit    adda #'0'
            cmpa #'9'
            bls hd_out
            adda #'A'-'9'-1
hd_out      jmp putchar

* locate: cursor to row A (0-15), column B (0-31). Preserves A, B, X.
locate      psha
            pshb
            anda #$0F
            psha
            lsra            ; 32 bytes a row: rows 8-15 lie in the next page
            lsra
            lsra
            adda #hi(screen)
            staa cursor
            pula
            asla
            asla
            asla
            asla
            asla
            andb #$1F
            aba
            staa cursor+1
            pulb
            pula
            rts

* ------------------------------------------------------------ keyboard

* readkeys: scans rows 0-6 of the keyboard into krow, 1 = held.
* Preserves A, B, X.
readkeys    psha
            pshb
            stx sx_in
            ldx #krow
            clrb
rk_row      stab pia2_pb
            ldaa pia2_pa
            coma
            staa 0,x
            inx
            incb
            cmpb #7
            bne rk_row
            ldx sx_in
            pulb
            pula
            rts

* getkey: A = character of a key pressed since the last call, carry clear;
* carry set (and A = 0) when there is none. The flag, not A, says "no key",
* because CTRL+@ types $00. Each press is reported once; keys pressed
* together come one per call. SHIFT and CTRL apply as held at the time of
* the call. Preserves B, X.
getkey      pshb
            stx sx_key
            jsr readkeys
            ldx #krow
gk_release  ldaa 0,x        ; a released key may be reported again
            anda kseen-krow,x
            staa kseen-krow,x
            inx
            cpx #krow+7
            bne gk_release
gk_find     ldx #krow
            clrb            ; B: key number of bit 0 of the row
gk_row      ldaa kseen-krow,x
            coma
            anda 0,x
            bne gk_new
            inx
            addb #8
            cpx #krow+7
            bne gk_row
            clra            ; nothing new
            sec
            bra gk_out
gk_new      staa t0
            ldaa #1
gk_bit      bita t0      ; lowest new key of the row
            bne gk_take
            asla
            incb
            bra gk_bit
gk_take     oraa kseen-krow,x
            staa kseen-krow,x
            jsr keychar
            bcs gk_find     ; SHIFT, CTRL and REPT type nothing
gk_out      ldx sx_key      ; ldx and pulb keep the carry
            pulb
            rts

* keychar: A = character of key B with the SHIFT and CTRL of krow, carry
* clear; carry set when the key types nothing. Clobbers B, X.
keychar     ldx #keys_plain
            ldaa krow+6
            bita #$01       ; SHIFT: row 6 bit 0
            beq kc_table
            ldx #keys_shift
kc_table    jsr xplusb
            ldaa 0,x
            beq kc_none     ; 0 in the table: the key types nothing
            ldab krow+6
            bitb #$04       ; CTRL: row 6 bit 2
            beq kc_out
            cmpa #$40       ; @ A-Z [ \ ] ^ _ become control codes
            bcs kc_out
            cmpa #$5F
            bhi kc_out
            anda #$1F
kc_out      clc
            rts
kc_none     sec
            rts

* ------------------------------------------------------- hand controllers

* readpad: B = controller (0 left, else right). Returns the keys held as a
* mask, A bits 15-8 and B bits 7-0: bit n is key n of Fire, Clear, N, S, E,
* W, 0-9. Port B keeps the video mode bits of vmode. Preserves X.
readpad     stx sx_in
            pshb
            jsr padscan
            pulb
            jsr paddecode
            ldx sx_in
            rts

* padscan: reads the four keypad columns into praw, both controllers at
* once. Clobbers A, B, X.
padscan     ldx #praw
            ldab #$0E       ; column 0 selected (active low)
pn_col      ldaa vmode
            anda #$C0
            aba
            staa pia1_pb
            ldaa pia1_pa
            coma
            staa 0,x
            inx
            sec             ; next column: $0E, $0D, $0B, $07, then none
            rolb
            andb #$0F
            cmpb #$0F
            bne pn_col
            ldaa vmode
            anda #$C0
            oraa #$0F
            staa pia1_pb    ; no column selected
            rts

* paddecode: the mask of controller B (0 left, else right) from praw, in
* A (high) and B (low). Clobbers X.
paddecode   stab padsel
            clr pmask
            clr pmask+1
            ldx #pad_bits
            ldaa praw
            jsr pd_column
            ldaa praw+1
            jsr pd_column
            ldaa praw+2
            jsr pd_column
            ldaa praw+3
            jsr pd_column
            ldaa pmask
            ldab pmask+1
            rts

* pd_column: adds the keys of column byte A to pmask; X walks pad_bits.
pd_column   tst padsel
            bne pd_right
            anda #$F0       ; left controller: bits 7-4
            bra pd_keys
pd_right    asla            ; right controller: bits 3-0
            asla
            asla
            asla
pd_keys     ldab #4
            stab count
pd_key      asla            ; the column's keys in table order
            bcc pd_skip
            ldab pmask
            orab 0,x
            stab pmask
            ldab pmask+1
            orab 1,x
            stab pmask+1
pd_skip     inx
            inx
            dec count
            bne pd_key
            rts

* ------------------------------------------------------------------- sound

* beep: a short tone, about 1 kHz for 40 ms. Preserves A, B, X.
beep        psha
            pshb
            ldaa #beep_pitch
            ldab #beep_length
            jsr tone
            pulb
            pula
            rts

* tone: B cycles (0 = 256) of a square wave whose half period is about
* 6 * A + 18 processor cycles (A = 0 counts as 256). The speaker ends at the
* level it started from. Preserves A, B, X.
tone        psha
            pshb
            staa pitch
tn_cycle    ldaa pia1_crb
            eora #speaker
            staa pia1_crb
            ldaa pitch
tn_high     deca
            bne tn_high
            ldaa pia1_crb
            eora #speaker
            staa pia1_crb
            ldaa pitch
tn_low      deca
            bne tn_low
            decb
            bne tn_cycle
            pulb
            pula
            rts

* -------------------------------------------------------------- interrupts

* The field-sync interrupt: released by reading port B, counted in ticks,
* then passed to irqhook when a program installed one.
irq_entry   ldaa pia1_pb
            ldx ticks
            inx
            stx ticks
            ldx irqhook
            beq int_done
            jmp 0,x
int_done    rti

swi_entry   ldx swihook
            beq int_done
            jmp 0,x

nmi_entry   ldx nmihook
            beq int_done
            jmp 0,x

* ------------------------------------------------------------------ tables

* Characters typed by keys 0-55 (row * 8 + bit), without and with SHIFT;
* 0 for keys that type nothing.
keys_plain  fcb 'X','Z','Q','2','A','1','W','S'
            fcb 'C','V','R','3','F','4','E','D'
            fcb 'N','B','T','6','G','5','Y','H'
            fcb 'M',',','I','7','K','8','U','J'
            fcb '/','.','O','0','L','9','P',';'
            fcb ' ',':',$0D,0,0,'-',$0A,$7F         ; SPACE : RETURN - LINEFEED RUBOUT
            fcb 0,$1B,0,0,$03,0,0,0                 ; SHIFT ESC CTRL REPT BRK HERE-IS
keys_shift  fcb 'X','Z','Q','"','A','!','W','S'
            fcb 'C','V','R','#','F','$','E','D'
            fcb '^','B','T','&','G','%','Y','H'
            fcb ']','<','I',$27,'[','(','U','J'
            fcb '?','>','_','0','\',')','@','+'
            fcb ' ','*',$0D,0,0,'=',$0A,$7F
            fcb 0,$1B,0,0,$03,0,0,0

* Names of the keys whose character does not name them: key number, text.
key_names   fcb 40
            fcc "SPACE"
            fcb 0,42
            fcc "RETURN"
            fcb 0,46
            fcc "LF"
            fcb 0,47
            fcc "RUB"
            fcb 0,48
            fcc "SHIFT"
            fcb 0,49
            fcc "ESC"
            fcb 0,50
            fcc "CTRL"
            fcb 0,51
            fcc "REPT"
            fcb 0,52
            fcc "BRK"
            fcb 0,53
            fcc "HERE"
            fcb 0,$FF

* Keypad matrix: for column 0-3, the keys on port A bits 7, 6, 5, 4 (left
* controller) and 3, 2, 1, 0 (right), as readpad mask bits.
pad_bits    fdb pk_digit<<7,pk_digit<<4,pk_digit<<0,pk_digit<<1
            fdb pk_west,pk_north,pk_east,pk_south
            fdb pk_digit<<9,pk_digit<<6,pk_clear,pk_digit<<3
            fdb pk_digit<<8,pk_digit<<5,pk_fire,pk_digit<<2

* Names of readpad's mask bits 0-15, each with its blank.
pad_names   fcc "FR "
            fcb 0
            fcc "CL "
            fcb 0
            fcc "N "
            fcb 0
            fcc "S "
            fcb 0
            fcc "E "
            fcb 0
            fcc "W "
            fcb 0
            fcc "0 "
            fcb 0
            fcc "1 "
            fcb 0
            fcc "2 "
            fcb 0
            fcc "3 "
            fcb 0
            fcc "4 "
            fcb 0
            fcc "5 "
            fcb 0
            fcc "6 "
            fcb 0
            fcc "7 "
            fcb 0
            fcc "8 "
            fcb 0
            fcc "9 "
            fcb 0

title       fcc " SYSTEM ROM 1.0   MACHINE CHECK "
            fcb 0

* Check screen labels: row, column, text.
labels      fcb 2,0
            fcc "KEYBOARD"
            fcb 0,5,0
            fcc "LEFT CONTROLLER"
            fcb 0,8,0
            fcc "RIGHT CONTROLLER"
            fcb 0,last_row,0
            fcc "LAST KEY:"
            fcb 0,tick_row,0
            fcc "TICKS:"
            fcb 0,$FF

* ----------------------------------------------------------------- vectors

            org $FFF8
            fdb irq_entry
            fdb swi_entry
            fdb nmi_entry
            fdb reset

            end reset
