* Our BASIC for the keyboard unit: a line-numbered integer BASIC on the
* 32 x 16 text screen, with cassette, printer, sound and block graphics.
*
* The image fills the two BASIC ROM windows of the machine: 4K from $6800
* (tables and the less used statements) and 8K at $8000-$9FFF (start-up,
* the interpreter and the cassette routines). The system ROM starts it like
* a cartridge: the signature $BB at $8000, entry at $8001, interrupts masked.
*
* The cassette routines sit at fixed addresses, where the emulator's fast
* cassette I/O intercepts opcode fetches (see README.md for the table):
*
*   $8503  inner step of the delay loop, counted in X
*   $853A  read-byte: its first instruction is STX ext, so the opcode $FF
*          the emulator returns when it has no byte changes nothing
*   $8548  read-byte's RTS, the byte in A
*   $8568  the save routine's call of the leader writer: a BSR, whose
*          replacement by LDAB immediate only loads B, which is free there
*   $85A7  write-byte
*   $85B4  the load preamble (clear the checksum at $A00D, motor delay,
*          leader sync); a BRA of 17 bytes from here lands at $85C7, where
*          the first byte is read
*
* Without the interception the same routines do the work: the output bit
* (PIA2 port B bit 6) gives one square-wave period per bit, most significant
* bit first, low half first, a long period (about 1 kHz) for a 1 and a short
* one (about 2 kHz) for a 0, after a leader of long periods and one short
* start mark. Reading times the low half of every period, which each bit
* has exactly once whatever the polarity of the recording.
*
* A saved program is: length (2 bytes, high first), the program's lines as
* they lie in memory, and the 8-bit sum of all bytes before it.

* ---------------------------------------------------------------- hardware

pia2_pa     equ $6000       ; keyboard row, active low
pia2_pb     equ $6002       ; bits 2-0 row select, bit 6 cassette out, bit 7 in
pia2_crb    equ $6003
printer     equ $6401       ; a byte written here goes to the printer

* System ROM service routines and variables.
cls         equ $F800
putchar     equ $F803
getkey      equ $F806
tone        equ $F80F
putstr      equ $F812
ticks       equ $0180
cursor      equ $0182

* ------------------------------------------------------------ direct page
* $0000-$00FF belong to BASIC (the graphics tile map is not used).
vars        equ $00         ; 52: the integer variables A-Z
txtptr      equ $40         ; 2: next character of the statement
curlin      equ $42         ; 2: line record running; 0 in immediate mode
progend     equ $44         ; 2: the end marker (a 0 length byte)
ctlsp       equ $46         ; 2: top of the GOSUB/FOR stack
datptr      equ $48         ; 2: next DATA item; 0 before the first READ
arrend      equ $4A         ; 2: first byte above the arrays
tmp         equ $4C         ; 2
tmp2        equ $4E         ; 2
src         equ $50         ; 2
dst         equ $52         ; 2
opl         equ $54         ; 2: multiply and divide operands
opr         equ $56         ; 2
res         equ $58         ; 2
outdev      equ $5A         ; 0 screen, 1 printer
prcol       equ $5B         ; printer column
seed        equ $5C         ; 2: RND
brklast     equ $5E         ; tick of the last BREAK check
relop       equ $5F
colour      equ $60         ; PLOT colour 0-7
linenum     equ $61         ; 2
contlin     equ $63         ; 2: CONT resumes this line; 0: cannot
conttxt     equ $65         ; 2
hilim       equ $67         ; 2: LIST range
lolim       equ $69         ; 2
kwptr       equ $6B         ; 2
quote       equ $6D         ; crunch: 1 inside quotes, 2 in REM or DATA
digit       equ $6E
lead        equ $6F
arrtab      equ $70         ; 52: start of each letter's array, 0 when none
qsign       equ $A4
rsign       equ $A5
xsave       equ $A6         ; 2
xtmp        equ $A8         ; 2
glbuf       equ $AA         ; 2: getline's buffer
glptr       equ $AC         ; 2
glcount     equ $AE
inptr       equ $AF         ; 2: INPUT's place in its buffer
tlen        equ $B1         ; 2: cassette: program length
tend        equ $B3         ; 2
tptr        equ $B5         ; 2
wsum        equ $B7
tapeerr     equ $B8
longs       equ $B9
shift       equ $BA
lcount      equ $BB
forvar      equ $BC
errnum      equ $BD
prx         equ $BE         ; 2
insign      equ $C0         ; INPUT and READ: a minus sign was seen
ssp         equ $C1         ; 2: the string stack's first free byte
outsave     equ $C3
ocx         equ $C4         ; 2: outch keeps X here

* ------------------------------------------------------ keyboard-unit RAM
rbx         equ $A000       ; 2: read-byte keeps X here
csum        equ $A00D       ; running sum of the bytes loaded
linbuf      equ $A010       ; 64: the line typed
inbuf       equ $A050       ; 64: INPUT's line
ctlbot      equ $A090       ; GOSUB/FOR stack, growing down from ctltop
ctltop      equ $A100
stklim      equ $A130       ; expressions nest until the stack gets here
stktop      equ $A1FF
progbeg     equ $A200       ; program lines: length, number (2), text, 0
memtop      equ $BB00       ; the program and the arrays stay below
strbot      equ $BB00       ; the string stack: temporary strings
strtop      equ $BC00
strvars     equ $BC00       ; A$-Z$: a length and up to 31 characters each

linemax     equ 63          ; characters in a typed line

* GOSUB entry: 1, text pointer, line.  FOR entry: 2, variable, limit,
* step, text pointer, line.
gosub_size  equ 5
for_size    equ 11

* Cassette timing, in processor cycles at 894,900 Hz.
short_loop  equ 26          ; half period of a 0 bit: about 230 cycles
long_loop   equ 56          ; half period of a 1 bit: about 470 cycles
thresh      equ 21          ; passes (16 cycles) between a short and a long half
leadmin     equ 32          ; long periods in a row that make a leader
delay_count equ 28000       ; motor start: about a quarter second

* Error numbers: index into errtab.
e_syntax    equ 0
e_div0      equ 1
e_return    equ 2
e_memory    equ 3
e_line      equ 4
e_next      equ 5
e_data      equ 6
e_value     equ 7
e_cont      equ 8
e_tape      equ 9
e_checksum  equ 10
e_subscript equ 11
e_overflow  equ 12

* --------------------------------------------------------------- macros

* Raise error n.
fail        macro n
            ldaa    #\n
            jmp     error
            endm

* ========================================================= $8000: start-up

            org $8000
            fcb $BB                 ; the system ROM's cartridge signature
            jmp start

* ============================================================ expressions
* Values are 16-bit signed integers in A (high) and B (low). Each level
* keeps its left operand on the stack while it reads the right one.

* stkchk: out of memory when the expression nests too deeply.
stkchk      sts xtmp
            ldaa xtmp
            cmpa #hi(stklim)
            bhi sc_ok
            bcs sc_full
            ldaa xtmp+1
            cmpa #lo(stklim)
            bcc sc_ok
sc_full     fail e_memory
sc_ok       rts

expr        bsr stkchk
            bsr andex
ex_loop     pshb
            psha
            jsr peekc
            cmpa #t_or
            bne ex_done
            jsr skip1
            bsr andex
            tsx
            oraa 0,x
            orab 1,x
            ins
            ins
            bra ex_loop
ex_done     pula
            pulb
            rts

andex       bsr notex
an_loop     pshb
            psha
            jsr peekc
            cmpa #t_and
            bne an_done
            jsr skip1
            bsr notex
            tsx
            anda 0,x
            andb 1,x
            ins
            ins
            bra an_loop
an_done     pula
            pulb
            rts

notex       jsr peekc
            cmpa #t_not
            bne relex
            jsr skip1
            bsr notex
            coma
            comb
            rts

* Comparisons give -1 (true) or 0 (false); signed.
relex       jsr isstr
            bcc re_num
            jmp strcmp
re_num      jsr addex
            pshb
            psha
            clr relop
re_op       jsr peekc
            ldab #1
            cmpa #'<'
            beq re_add
            ldab #2
            cmpa #'='
            beq re_add
            ldab #4
            cmpa #'>'
            bne re_end
re_add      orab relop
            stab relop
            jsr skip1
            bra re_op
re_end      ldaa relop
            bne re_cmp
            pula
            pulb
            rts
re_cmp      psha            ; the operator's mask
            jsr addex
            tsx
            staa tmp
            stab tmp+1
            ldab 2,x        ; left - right
            subb tmp+1
            ldaa 1,x
            sbca tmp
            blt re_lt
            bne re_gt
            tstb
            bne re_gt
            ldab #2
            bra re_test
re_lt       ldab #1
            bra re_test
re_gt       ldab #4
re_test     andb 0,x
            ins
            ins
            ins
            beq re_false
            ldaa #$FF
            ldab #$FF
            rts
re_false    clra
            clrb
            rts

addex       bsr mulex
ad_loop     pshb
            psha
            jsr peekc
            cmpa #'+'
            beq ad_add
            cmpa #'-'
            beq ad_sub
            pula
            pulb
            rts
ad_add      jsr skip1
            bsr mulex
            tsx
            addb 1,x
            adca 0,x
            ins
            ins
            bra ad_loop
ad_sub      jsr skip1
            bsr mulex
            staa tmp
            stab tmp+1
            pula
            pulb
            subb tmp+1
            sbca tmp
            bra ad_loop

mulex       jsr unary
mu_loop     pshb
            psha
            jsr peekc
            cmpa #'*'
            beq mu_mul
            cmpa #'/'
            beq mu_div
            cmpa #t_mod
            beq mu_mod
            pula
            pulb
            rts
mu_mul      bsr mu_right
            jsr mul16
            bra mu_loop
mu_div      bsr mu_right
            jsr div16
            bra mu_loop
mu_mod      bsr mu_right
            jsr div16
            ldaa res
            ldab res+1
            bra mu_loop
* mu_right: the right operand into opr, the left (under the return
* address) into opl.
mu_right    jsr skip1
            jsr unary
            staa opr
            stab opr+1
            tsx
            ldaa 2,x
            ldab 3,x
            staa opl
            stab opl+1
            ldx 0,x         ; return address
            ins
            ins
            ins
            ins
            jmp 0,x

unary       jsr peekc
            cmpa #'-'
            bne un_plus
            jsr skip1
            bsr unary
            coma
            comb
            addb #1
            adca #0
            rts
un_plus     cmpa #'+'
            bne primary
            jsr skip1
            bra unary

primary     jsr peekc
            cmpa #'('
            bne pr_num
            jsr skip1
            jsr expr
            jmp rparen
pr_num      jsr isdigit
            bcc pr_hex
            jmp getnum
pr_hex      cmpa #'$'
            bne pr_var
            jmp gethex
pr_var      jsr isletter
            bcc pr_fn
            jsr varaddr
            ldaa 0,x
            ldab 1,x
            rts
pr_fn       cmpa #t_abs
            bcs pr_bad
            cmpa #t_lastfn+1
            bcc pr_bad
            jsr skip1
            suba #t_abs
            asla
            tab
            ldx #fntab
            jsr addxb
            ldx 0,x
            jmp 0,x
pr_bad      jmp synerr

* arg: "(expr)" after a function's name.
arg         ldab #'('
            jsr expect
            jsr expr
            jmp rparen

fn_abs      bsr arg
            tsta
            bpl fa_done
            coma
            comb
            addb #1
            adca #0
fa_done     rts

fn_peek     bsr arg
            staa tmp
            stab tmp+1
            ldx tmp
            ldab 0,x
            clra
            rts

* USR(a): calls the machine code at a; its A:B come back as the value.
fn_usr      bsr arg
            staa tmp
            stab tmp+1
            ldx tmp
            clra
            clrb
            jmp 0,x

* RND(n): 1 to n for n > 0; RND(0) 0 to 32767.
fn_rnd      bsr arg
            pshb
            psha
            ldaa seed
            ldab seed+1
            staa opl
            stab opl+1
            ldaa #hi(25173)
            ldab #lo(25173)
            staa opr
            stab opr+1
            jsr mul16
            addb #lo(13849)
            adca #hi(13849)
            staa seed
            stab seed+1
            lsra            ; 15 bits
            rorb
            staa opl
            stab opl+1
            pula
            pulb
            tsta
            bmi rn_bad
            bne rn_mod
            tstb
            bne rn_mod
            ldaa opl
            ldab opl+1
            rts
rn_mod      staa opr
            stab opr+1
            jsr div16
            ldaa res
            ldab res+1
            addb #1
            adca #0
            rts
rn_bad      fail e_value

* gethex: "$" and hexadecimal digits.
gethex      jsr skip1
            clr tmp
            clr tmp+1
            clr digit       ; digits seen
gh_loop     ldx txtptr
            ldaa 0,x
            jsr isdigit
            bcc gh_letter
            suba #'0'
            bra gh_add
gh_letter   cmpa #'A'
            bcs gh_done
            cmpa #'F'+1
            bcc gh_done
            suba #'A'-10
gh_add      inx
            stx txtptr
            inc digit
            ldab #4
gh_shift    asl tmp+1
            rol tmp
            bcs gh_over
            decb
            bne gh_shift
            oraa tmp+1
            staa tmp+1
            bra gh_loop
gh_done     tst digit
            beq gh_bad
            ldaa tmp
            ldab tmp+1
            rts
gh_over     fail e_overflow
gh_bad      jmp synerr

* mul16: A:B = opl * opr (the low 16 bits, right for signed values too).
mul16       clr res
            clr res+1
            ldx #16
ml_loop     asl res+1
            rol res
            asl opr+1
            rol opr
            bcc ml_next
            ldaa res+1
            adda opl+1
            staa res+1
            ldaa res
            adca opl
            staa res
ml_next     dex
            bne ml_loop
            ldaa res
            ldab res+1
            rts

* div16: A:B = opl / opr, truncated toward 0; res = the remainder, with
* the sign of opl.
div16       ldaa opr
            oraa opr+1
            bne dv_ok
            fail e_div0
dv_ok       clr qsign
            clr rsign
            tst opl
            bpl dv_pos1
            ldx #opl
            jsr negx
            com qsign
            com rsign
dv_pos1     tst opr
            bpl dv_pos2
            ldx #opr
            jsr negx
            com qsign
dv_pos2     clr res
            clr res+1
            ldx #16
dv_loop     asl opl+1
            rol opl
            rol res+1
            rol res
            ldab res+1
            subb opr+1
            ldaa res
            sbca opr
            bcs dv_next
            staa res
            stab res+1
            inc opl+1
dv_next     dex
            bne dv_loop
            tst rsign
            beq dv_rpos
            ldx #res
            jsr negx
dv_rpos     tst qsign
            beq dv_qpos
            ldx #opl
            jsr negx
dv_qpos     ldaa opl
            ldab opl+1
            rts

* negx: negates the 16-bit value at X.
negx        com 0,x
            com 1,x
            inc 1,x
            bne nx_done
            inc 0,x
nx_done     rts

* varaddr: X = the address of the variable (or array element) named at
* txtptr, which moves past the name and subscript.
varaddr     jsr getc
            suba #'A'
            asla
            psha            ; offset of the letter
            jsr peekc
            cmpa #'('
            beq va_array
            pulb
            clra
            staa tmp
            stab tmp+1
            ldx tmp
            rts
va_array    jsr skip1
            jsr expr
            jsr rparen
            tsta
            bmi va_bad
            staa tmp2
            stab tmp2+1
            pulb
            ldx #arrtab
            jsr addxb
            stx tmp         ; the letter's table entry
            ldx 0,x
            bne va_have
* An array used before DIM has elements 0-10.
            ldaa tmp2
            psha
            ldaa tmp2+1
            psha
            ldaa #0
            ldab #10
            jsr dimension
            pula
            staa tmp2+1
            pula
            staa tmp2
            ldx tmp
            ldx 0,x
va_have     ldaa 0,x        ; the highest subscript
            cmpa tmp2
            bhi va_ok
            bcs va_bad
            ldaa 1,x
            cmpa tmp2+1
            bcs va_bad
va_ok       asl tmp2+1      ; element = start + 2 + 2 * subscript
            rol tmp2
            stx tmp
            ldaa tmp+1
            adda tmp2+1
            staa tmp+1
            ldaa tmp
            adca tmp2
            staa tmp
            ldx tmp
            inx
            inx
            rts
va_bad      fail e_subscript

* dimension: gives the array whose table entry is at tmp the subscripts
* 0 to A:B. Storage: the highest subscript, then the elements, all zero.
dimension   staa tmp2
            stab tmp2+1
            ldx tmp
            ldaa arrend
            staa 0,x
            ldaa arrend+1
            staa 1,x
            ldx arrend
            ldaa tmp2
            staa 0,x
            ldab tmp2+1
            stab 1,x
            addb #1         ; (n + 1) * 2 + 2 bytes
            adca #0
            aslb
            rola
            bcs dm_full
            addb #2
            adca #0
            addb arrend+1
            adca arrend
            bcs dm_full
            cmpa #hi(memtop)
            bcc dm_full
            staa tmp2
            stab tmp2+1
            inx
            inx
dm_clear    cpx tmp2
            beq dm_done
            clr 0,x
            inx
            bra dm_clear
dm_done     stx arrend
            rts
dm_full     fail e_memory

            if * > $8500
            error "the code before the cassette routines runs into them"
            endif

* ================================================= the cassette routines

            org $8500
* delay: the motor's start-up pause. The emulator's fast I/O sets X to 1 at
* the inner step, so the pause ends at once.
delay       ldx #delay_count        ; $8500
            if * != $8503
            error "the delay loop's step must be at $8503"
            endif
dl_step     dex                     ; $8503
            bne dl_step
            rts

* leader: 512 long periods, then a short one: the start mark.
leader      ldaa #2
            staa lcount
ld_outer    clrb
ld_loop     sec
            bsr wrper
            decb
            bne ld_loop
            dec lcount
            bne ld_outer
            clc
            bsr wrper
            rts

* wrper: one period on the cassette output, low half first; each half is
* long when carry is set (a 1 bit). Keeps A and B.
wrper       psha
            ldaa #0         ; not clra, which clears carry
            staa pia2_pb    ; loads and stores leave carry alone
            bsr wrhalf
            ldaa #$40
            staa pia2_pb
            bsr wrhalf
            pula
            rts
wrhalf      ldx #short_loop
            bcc wh_loop
            ldx #long_loop
wh_loop     dex
            bne wh_loop
            rts

            if * > $853A
            error "the cassette helpers run into read-byte"
            endif
            fill $01,$853A-*

* read-byte: 8 bits from the cassette input into A, most significant first.
* Its first instruction is STX extended, opcode $FF: when the emulator has
* no byte for it, it returns that very opcode. Keeps B and X.
rdbyte      stx >rbx                ; $853A
            jsr rdbody
            ldx >rbx
            fill $01,$8548-*
            if * != $8548
            error "read-byte must end at $8548"
            endif
            rts                     ; $8548, the byte in A

* tsave: writes the program: motor pause, leader, length, lines, sum.
tsave       jsr delay
            clr wsum
            ldaa progend+1
            suba #lo(progbeg)
            staa tlen+1
            ldaa progend
            sbca #hi(progbeg)
            staa tlen
            ldx #progbeg
            stx tptr
            fill $01,$8568-*
            if * != $8568
            error "the leader call must be at $8568"
            endif
            bsr leader              ; $8568; B is free here
            ldaa tlen
            jsr wrsum
            ldaa tlen+1
            jsr wrsum
ts_loop     ldx tptr
            cpx progend
            beq ts_end
            ldaa 0,x
            inx
            stx tptr
            jsr wrsum
            bra ts_loop
ts_end      ldaa wsum
            jmp wrbyte

* wrsum: writes A and adds it to the sum.
wrsum       psha
            adda wsum
            staa wsum
            pula
            jmp wrbyte

            if * > $85A7
            error "the save routine runs into write-byte"
            endif
            fill $01,$85A7-*
* write-byte: A to the cassette, most significant bit first. Keeps A and B.
wrbyte      jmp wrbody              ; $85A7

            fill $01,$85B4-*
* tload: the load preamble and the load. Carry set: the BRK key stopped
* the wait for a tape.
tload       clr csum                ; $85B4
            jsr delay
            jsr sync
            bcs tl_break
            fill $01,$85C7-*
            if * != $85C7
            error "the first byte must be read at $85C7"
            endif
            jsr rdsum               ; $85C7: the length, high byte first
            staa tlen
            jsr rdsum
            staa tlen+1
            ldab tlen+1
            addb #lo(progbeg)
            stab tend+1
            ldaa tlen
            adca #hi(progbeg)
            staa tend
            bcs tl_full
            cmpa #hi(memtop)-1
            bcc tl_full
            ldx #progbeg
            stx tptr
tl_loop     ldx tptr
            cpx tend
            beq tl_sum
            jsr rdsum
            ldx tptr
            staa 0,x
            inx
            stx tptr
            bra tl_loop
tl_sum      ldaa csum
            psha
            jsr rdbyte
            tst tapeerr
            bne tl_tape
            pulb
            cba
            bne tl_bad
            clc
            rts
tl_break    jmp dobreak
tl_full     jsr newprog
            fail e_memory
tl_tape     jsr newprog
            fail e_tape
tl_bad      jsr newprog
            fail e_checksum

* rdsum: a byte into A, added to the load sum.
rdsum       jsr rdbyte
            tst tapeerr
            bne tl_tape
            psha
            adda csum
            staa csum
            pula
            rts

wrbody      psha
            pshb
            ldab #8
wb_bit      asla
            jsr wrper
            decb
            bne wb_bit
            pulb
            pula
            rts

* rdhalf: A = 16-cycle passes of the next low half of the input; $FF when
* the input stays at one level too long.
rdhalf      clra
rh_high     inca
            beq rh_out
            tst pia2_pb
            bmi rh_high
            clra
rh_low      inca
            beq rh_out
            tst pia2_pb
            bpl rh_low
            rts
rh_out      ldaa #$FF
            rts

* rdbody: 8 bits, a long low half a 1. Sets tapeerr when the signal stops.
rdbody      pshb
            ldab #8
rb_bit      bsr rdhalf
            cmpa #$FF
            beq rb_out
            cmpa #thresh    ; carry set for a short half: a 0 bit
            rol shift
            decb
            bne rb_bit
            ldaa shift
            coma
            pulb
            rts
rb_out      inc tapeerr
            pulb
            rts

* sync: waits for a leader (long periods in a row) and its start mark.
* While there is no signal the BRK key ends the wait (carry set).
sync        clr longs
sy_loop     bsr rdhalf
            cmpa #$FF
            beq sy_none
            cmpa #thresh
            bcs sy_short
            ldab longs
            cmpb #leadmin
            beq sy_loop
            inc longs
            bra sy_loop
sy_short    ldab longs
            cmpb #leadmin
            bne sync
            clc
            rts
sy_none     ldaa #6
            staa pia2_pb
            ldaa pia2_pa
            bita #$10
            bne sync
            sec
            rts

* CSAVE and CLOAD: interrupts stay masked while the cassette is timed.
csave       sei
            jsr tsave
            cli
            rts

cload       sei
            clr tapeerr
            jsr tload
            cli
            ldx tend        ; the end marker after the last line
            stx progend
            clr 0,x
            jsr check
            jsr clrall
            jmp ready

* check: a loaded program must be a chain of lines ending at progend.
check       ldx #progbeg
ck_loop     cpx progend
            beq ck_done
            ldab 0,x
            cmpb #5
            bcs ck_bad
            jsr addxb
            stx tmp
            ldaa tmp        ; past the end?
            cmpa progend
            bhi ck_bad
            bcs ck_loop
            ldaa tmp+1
            cmpa progend+1
            bhi ck_bad
            bra ck_loop
ck_done     rts
ck_bad      jsr newprog
            fail e_tape


start       sei
            lds #stktop
* PIA2 port B: bits 6 (cassette out) and 2-0 (row select) are outputs.
            clr pia2_crb
            ldaa #$47
            staa pia2_pb
            ldaa #$04
            staa pia2_crb
            clr pia2_pb
            ldx #$1234
            stx seed
            jsr newprog
            clr outdev
            clr colour
            jsr cls
            ldx #banner
            jsr putstr
            ldaa #hi(memtop-progbeg-1)
            ldab #lo(memtop-progbeg-1)
            jsr prnum
            ldx #m_free
            jsr putstr
            bra ready

* Back to the user: messages go to the screen, the tick runs again.
ready       lds #stktop
            clr outdev
            cli
            jsr newline
            ldx #m_ready
            jsr putstr
main        lds #stktop
            clr outdev
            cli
            ldx #linbuf
            jsr getline
            jsr crunch
            ldx #linbuf
            stx txtptr
            jsr peekc
            beq main
            jsr isdigit
            bcc immediate
            jsr edit
            bra main
immediate   clr curlin
            clr curlin+1
            jmp newstmt

* newline: a carriage return unless the output is at the start of a line.
newline     jsr getcol
            tsta
            beq nl_done
crlf        ldaa #$0D
            jmp outch
nl_done     rts

* ====================================================== statement loop

* Runs statements from txtptr until the line (immediate) or the program
* ends. Statements return here with rts; those that jump elsewhere reset the
* stack and come back to newstmt.
newstmt     jsr chkbrk
            ldx #strbot     ; temporary strings last one statement
            stx ssp
            jsr peekc
            bne ns_stmt
* End of the line: the next line, or READY.
ns_eol      ldx curlin
            beq ns_done
            ldab 0,x
            jsr addxb
            ldaa 0,x
            beq ns_done
            stx curlin
            inx
            inx
            inx
            stx txtptr
            bra newstmt
ns_done     jmp ready
ns_stmt     cmpa #':'
            bne ns_exec
            jsr skip1
            bra newstmt
ns_exec     jsr dostmt
            jsr peekc
            beq newstmt
            cmpa #':'
            beq newstmt
            jmp synerr

* dostmt: A = the statement's first character, at txtptr.
dostmt      cmpa #$80
            bcs ds_let
            cmpa #t_laststmt+1
            bcc ds_bad
            jsr skip1
            suba #$80
            asla
            tab
            ldx #stmttab
            jsr addxb
            ldx 0,x
            jmp 0,x
ds_let      jsr isletter
            bcs ds_letok
ds_bad      jmp synerr
ds_letok    jmp let

* chkbrk: once a tick, looks at the BRK key (row 6, bit 4).
chkbrk      ldaa ticks+1
            cmpa brklast
            beq cb_done
            staa brklast
            ldaa #6
            staa pia2_pb
            ldaa pia2_pa
            bita #$10
            bne cb_done
            jmp dobreak
cb_done     rts

* ============================================================ errors

synerr      ldaa #e_syntax
* error: A = error number. Prints "?message ERROR", and " IN line" while a
* program runs, then READY.
error       staa errnum
            lds #stktop
            clr outdev
            cli
            clr contlin
            clr contlin+1
            jsr newline
            ldaa #'?'
            jsr outch
            ldx #errtab
            ldab errnum
er_find     beq er_found
er_skip     ldaa 0,x
            inx
            tsta
            bne er_skip
            decb
            bra er_find
er_found    jsr putstr
            ldx #m_error
            jsr putstr
            jsr inline
            jmp ready

* inline: " IN n" when a program line is running.
inline      ldx curlin
            beq il_done
            ldx #m_in
            jsr putstr
            ldx curlin
            ldaa 1,x
            ldab 2,x
            jmp prnumu
il_done     rts

* BRK key and STOP: remember where to continue, say where it stopped.
dobreak     ldx curlin
            stx contlin
            ldx txtptr
            stx conttxt
            jsr newline
            ldx #m_break
            jsr putstr
            jsr inline
            jmp ready

* ============================================================ text input

* peekc: A = the next non-blank character (txtptr moves past the blanks);
* Z set at the end of the line. Keeps B.
peekc       ldx txtptr
pk_loop     ldaa 0,x
            cmpa #' '
            bne pk_done
            inx
            bra pk_loop
pk_done     stx txtptr
            tsta
            rts

* skip1: txtptr past one character. Keeps A and B.
skip1       ldx txtptr
            inx
            stx txtptr
            rts

* getc: the next non-blank character, consumed.
getc        bsr peekc
            bsr skip1
            tsta
            rts

* expect: the next non-blank character must be B.
expect      bsr getc
            cba
            bne ex_bad
            rts
ex_bad      jmp synerr

* comma: expect a comma.
comma       ldab #','
            bra expect

* rparen: expect ")"; keeps A and B.
rparen      psha
            pshb
            ldab #')'
            bsr expect
            pulb
            pula
            rts

* isdigit: carry set when A is a digit. isletter: when A is A-Z.
isdigit     cmpa #'0'
            bcs id_no
            cmpa #'9'+1
            rts             ; carry set below '9'+1
id_no       clc
            rts
isletter    cmpa #'A'
            bcs id_no
            cmpa #'Z'+1
            rts

* addxb: X = X + B (unsigned). Keeps A.
addxb       stx xtmp
            addb xtmp+1
            stab xtmp+1
            bcc ax_done
            inc xtmp
ax_done     ldx xtmp
            rts

* skipline: txtptr to the end of the line (REM, DATA, a false IF).
skipline    ldx txtptr
sl_loop     tst 0,x
            beq sl_done
            inx
            bra sl_loop
sl_done     stx txtptr
            rts

* getnum: the unsigned decimal number at txtptr, into A:B. The number must
* be there. Too large for 16 bits: overflow.
getnum      clr tmp
            clr tmp+1
            jsr peekc
            jsr isdigit
            bcs gn_loop
            jmp synerr
gn_loop     ldx txtptr
            ldaa 0,x
            jsr isdigit
            bcc gn_done
            suba #'0'
            staa digit
            inx
            stx txtptr
            ldaa tmp        ; tmp * 10 + digit, with a check for 16 bits
            cmpa #$19
            bhi gn_over
            ldab tmp+1
            aslb
            rola
            staa tmp2
            stab tmp2+1
            aslb
            rola
            aslb
            rola
            bcs gn_over
            addb tmp2+1
            adca tmp2
            bcs gn_over
            addb digit
            adca #0
            bcs gn_over
            staa tmp
            stab tmp+1
            bra gn_loop
gn_done     ldaa tmp
            ldab tmp+1
            rts
gn_over     fail e_overflow

* =========================================================== line input

* getline: reads a line typed on the keyboard into the buffer at X, ending
* it with 0. A block shows where the next character goes; RUBOUT takes one
* back; RETURN (or LINE FEED) ends the line.
getline     stx glbuf
            stx glptr
            clr glcount
gl_show     ldx cursor
            ldaa #$20       ; an inverse blank
            staa 0,x
gl_wait     jsr getkey
            bcs gl_wait     ; no key
            cmpa #$0D
            beq gl_enter
            cmpa #$0A
            beq gl_enter
            cmpa #$7F
            beq gl_rub
            cmpa #$08
            beq gl_rub
            cmpa #$20
            bcs gl_wait
            cmpa #$60
            bcc gl_wait
            ldab glcount
            cmpb #linemax
            bcc gl_wait
            ldx glptr
            staa 0,x
            inx
            stx glptr
            inc glcount
            jsr putchar
            bra gl_show
gl_rub      tst glcount
            beq gl_wait
            dec glcount
            ldx glptr
            dex
            stx glptr
            ldx cursor
            ldaa #$60
            staa 0,x
            ldaa #$7F
            jsr putchar
            bra gl_show
gl_enter    ldx cursor
            ldaa #$60
            staa 0,x
            ldx glptr
            clr 0,x
            ldaa #$0D
            jmp putchar

* ============================================================ tokenising

* crunch: turns the keywords of linbuf into tokens, in place. Text in
* quotes, after REM and after DATA stays as typed.
crunch      ldx #linbuf
            stx src
            stx dst
            clr quote
cr_loop     ldx src
            ldaa 0,x
            beq cr_done
            ldab quote
            cmpb #2
            beq cr_copy
            cmpa #'"'
            bne cr_noq
            eorb #1
            stab quote
            bra cr_copy
cr_noq      tstb
            bne cr_copy
            jsr matchkw
            bcc cr_copy
            ldx dst
            staa 0,x
            inx
            stx dst
            cmpa #t_rem
            beq cr_lit
            cmpa #t_data
            bne cr_loop
cr_lit      ldaa #2
            staa quote
            bra cr_loop
cr_copy     ldx src
            ldaa 0,x
            inx
            stx src
            ldx dst
            staa 0,x
            inx
            stx dst
            bra cr_loop
cr_done     ldx dst
            clr 0,x
            rts

* matchkw: looks for a keyword at src. Found: carry set, A = its token,
* src past it. Otherwise carry clear.
matchkw     ldx #kwtab
            stx kwptr
            ldab #$80
mk_next     ldx kwptr
            tst 0,x
            beq mk_none
            ldx src
            stx tmp2
mk_cmp      ldx kwptr
            ldaa 0,x
            inx
            stx kwptr
            psha
            anda #$7F
            ldx tmp2
            cmpa 0,x
            bne mk_fail
            inx
            stx tmp2
            pula
            tsta
            bpl mk_cmp
            ldx tmp2
            stx src
            tba
            sec
            rts
mk_fail     pula
            tsta
            bmi mk_adv
mk_skip     ldx kwptr
            ldaa 0,x
            inx
            stx kwptr
            tsta
            bpl mk_skip
mk_adv      incb
            bra mk_next
mk_none     clc
            rts

* ============================================================ program

* newprog: an empty program and nothing else.
newprog     ldx #progbeg
            stx progend
            clr 0,x
* clrall: variables, arrays, the GOSUB/FOR stack, READ and CONT start over.
clrall      ldx #vars
ca_vars     clr 0,x
            inx
            cpx #vars+52
            bne ca_vars
            ldx #arrtab
ca_arr      clr 0,x
            inx
            cpx #arrtab+52
            bne ca_arr
            ldx #strvars
ca_str      clr 0,x
            ldab #32
            jsr addxb
            cpx #strvars+26*32
            bne ca_str
            ldx progend
            inx
            stx arrend
            ldx #ctltop
            stx ctlsp
            clr datptr
            clr datptr+1
            clr contlin
            clr contlin+1
            rts

* findline: X = the first line numbered linenum or higher (or the end
* marker); carry set when its number is linenum.
findline    ldx #progbeg
fl_loop     tst 0,x
            beq fl_none
            ldaa 1,x
            cmpa linenum
            bne fl_cmp
            ldaa 2,x
            cmpa linenum+1
fl_cmp      bcc fl_found
            ldab 0,x
            jsr addxb
            bra fl_loop
fl_found    ldaa 1,x
            cmpa linenum
            bne fl_none
            ldaa 2,x
            cmpa linenum+1
            bne fl_none
            sec
            rts
fl_none     clc
            rts

* edit: a typed line with a number: stores it, replaces the line of that
* number, or deletes it when no text follows.
edit        jsr getnum
            staa linenum
            stab linenum+1
            oraa linenum+1
            bne ed_num
            fail e_line
ed_num      jsr peekc       ; txtptr: the text, blanks skipped
            jsr clrall
            jsr findline
            stx tmp         ; where the line goes
            bcc ed_insert
* Delete the old line: everything above it moves down.
            ldab 0,x
            jsr addxb
            stx src
            ldx tmp
            stx dst
ed_down     ldx src
            ldaa 0,x
            inx
            stx src
            ldx dst
            staa 0,x
            inx
            stx dst
            ldx src
            dex
            cpx progend
            bne ed_down
            ldx dst
            dex
            stx progend
ed_insert   ldx txtptr
            tst 0,x
            beq ed_done     ; no text: deleted (or nothing)
            clrb            ; B: text length
ed_len      tst 0,x
            beq ed_lend
            inx
            incb
            bra ed_len
ed_lend     addb #4         ; length byte, number, the 0
            stab digit      ; record size
* Room: the program may grow up to memtop - 256.
            ldaa progend
            addb progend+1
            adca #0
            cmpa #hi(memtop)-1
            bcs ed_room
            fail e_memory
* Open the gap: from the end marker down to the place, each byte moves up.
ed_room     ldx progend
            stx src
            ldab digit
            jsr addxb
            stx dst
            stx tmp2        ; new end
ed_up       ldx src
            ldaa 0,x
            ldx dst
            staa 0,x
            ldx src
            cpx tmp
            beq ed_write
            dex
            stx src
            ldx dst
            dex
            stx dst
            bra ed_up
ed_write    ldx tmp2
            stx progend
            ldx tmp
            ldaa digit
            staa 0,x
            ldaa linenum
            staa 1,x
            ldaa linenum+1
            staa 2,x
            inx
            inx
            inx
            stx dst
            ldx txtptr
            stx src
ed_copy     ldx src
            ldaa 0,x
            inx
            stx src
            ldx dst
            staa 0,x
            inx
            stx dst
            tsta
            bne ed_copy
ed_done     jmp clrall

* gotoline: continues at line A:B.
gotoline    staa linenum
            stab linenum+1
            jsr findline
            bcs gt_found
            fail e_line
gt_found    stx curlin
            inx
            inx
            inx
            stx txtptr
            lds #stktop
            jmp newstmt

* ============================================================ output

* outch: A to the screen or the printer. Keeps A, B, X.
outch       tst outdev
            bne oc_other
            jmp putchar
oc_other    psha
            ldaa outdev
            cmpa #2
            pula
            bne oc_print
            pshb            ; STR$: onto the top string
            stx ocx
            jsr sadd
            ldx ocx
            pulb
            rts
oc_print    staa printer
            cmpa #$0D
            bne oc_col
            clr prcol
            rts
oc_col      cmpa #' '
            bcs oc_done
            inc prcol
oc_done     rts

* getcol: A = the column the next character goes to.
getcol      tst outdev
            beq gc_screen
            ldaa prcol
            rts
gc_screen   ldaa cursor+1
            anda #$1F
            rts

* prnum: A:B as a signed decimal number. prnumu: unsigned. Keep X.
prnum       tsta
            bpl prnumu
            psha
            ldaa #'-'
            jsr outch
            pula
            coma
            comb
            addb #1
            adca #0
prnumu      stx prx
            staa tmp
            stab tmp+1
            clr lead
            ldx #pow10
pn_digit    ldaa #'0'
            staa digit
pn_sub      ldab tmp+1
            subb 1,x
            ldaa tmp
            sbca 0,x
            bcs pn_show
            staa tmp
            stab tmp+1
            inc digit
            bra pn_sub
pn_show     ldaa digit
            tst lead
            bne pn_out
            cmpa #'0'
            beq pn_next
pn_out      inc lead
            jsr outch
pn_next     inx
            inx
            cpx #pow10+8
            bne pn_digit
            ldaa tmp+1
            adda #'0'
            jsr outch
            ldx prx
            rts

* =========================================================== statements

let         jsr peekc
            ldab 1,x
            cmpb #'$'
            bne lt_num
            jmp letstr
lt_num      jsr varaddr
            stx tmp
            ldaa tmp
            ldab tmp+1
            pshb
            psha
            ldab #'='
            jsr expect
            jsr expr
            staa tmp2
            stab tmp2+1
            pula
            pulb
            staa tmp
            stab tmp+1
            ldx tmp
            ldaa tmp2
            ldab tmp2+1
            staa 0,x
            stab 1,x
            rts

print       jsr peekc
            beq pt_crlf
            cmpa #':'
            bne pt_item
pt_crlf     jmp crlf
pt_item     jsr isstr
            bcc pt_nstr
            jsr strexpr
            jsr peekc       ; a comparison of strings prints -1 or 0
            cmpa #'<'
            beq pt_cmp
            cmpa #'='
            beq pt_cmp
            cmpa #'>'
            beq pt_cmp
            jsr sprint
            bra pt_after
pt_cmp      jsr strcmp2
            jsr prnum
            bra pt_after
pt_nstr     jsr peekc
            cmpa #t_tab
            bne pt_ntab
            jmp pt_tab
pt_ntab     cmpa #';'
            beq pt_semi
            cmpa #','
            beq pt_comma
            jsr expr
            jsr prnum
pt_after    jsr peekc
            beq pt_crlf
            cmpa #':'
            beq pt_crlf
            cmpa #';'
            beq pt_semi
            cmpa #','
            beq pt_comma
            bra pt_item
pt_semi     jsr skip1
            jsr peekc
            beq pt_done
            cmpa #':'
            beq pt_done
            bra pt_item
pt_comma    jsr skip1
pt_zone     ldaa #' '
            jsr outch
            jsr getcol
            anda #7
            bne pt_zone
            jsr peekc
            beq pt_done
            cmpa #':'
            beq pt_done
            bra pt_item
pt_tab      jsr skip1
            jsr expr
            jsr rparen
            stab digit
pt_tloop    jsr getcol
            cmpa digit
            bcc pt_after
            ldaa #' '
            jsr outch
            tst outdev
            bne pt_tloop
            jsr getcol      ; the screen wraps at 32
            tsta
            beq pt_after
            bra pt_tloop
pt_done     rts

lprint      ldaa #1
            staa outdev
            jsr print
            clr outdev
            rts

goto        jsr getnum
            jmp gotoline

gosub       jsr getnum
            pshb
            psha
            ldab #gosub_size
            jsr ctlpush
            ldaa #1
            staa 0,x
            ldaa txtptr
            staa 1,x
            ldaa txtptr+1
            staa 2,x
            ldaa curlin
            staa 3,x
            ldaa curlin+1
            staa 4,x
            pula
            pulb
            jmp gotoline

* ctlpush: room for B bytes on the GOSUB/FOR stack; X = the entry.
ctlpush     ldaa ctlsp+1
            sba
            staa ctlsp+1
            bcc cp_hi
            dec ctlsp
cp_hi       ldaa ctlsp
            cmpa #hi(ctlbot)
            bhi cp_ok
            bcs cp_full
            ldaa ctlsp+1
            cmpa #lo(ctlbot)
            bcc cp_ok
cp_full     fail e_memory
cp_ok       ldx ctlsp
            rts

return      ldx ctlsp
rt_loop     cpx #ctltop
            bne rt_entry
            fail e_return
rt_entry    ldaa 0,x
            cmpa #1
            beq rt_found
            ldab #for_size  ; a FOR inside the subroutine ends with it
            jsr addxb
            bra rt_loop
rt_found    ldaa 1,x
            staa txtptr
            ldaa 2,x
            staa txtptr+1
            ldaa 3,x
            staa curlin
            ldaa 4,x
            staa curlin+1
            ldab #gosub_size
            jsr addxb
            stx ctlsp
            rts

if          jsr expr
            tsta
            bne if_true
            tstb
            bne if_true
            jmp skipline
if_true     jsr peekc
            cmpa #t_goto
            beq if_stmt
            ldab #t_then
            jsr expect
            jsr peekc
            jsr isdigit
            bcc if_stmt
            jmp goto
if_stmt     jmp dostmt

* FOR v = a TO b [STEP c]. A FOR of the same variable still open ends
* first, with everything above it.
for         jsr peekc
            jsr isletter
            bcs fr_var
            jmp synerr
fr_var      suba #'A'
            asla
            staa forvar
            jsr let
            ldx ctlsp
fr_old      cpx #ctltop
            beq fr_new
            ldaa 0,x
            cmpa #2
            bne fr_new
            ldaa 1,x
            cmpa forvar
            bne fr_new
            ldab #for_size
            jsr addxb
            stx ctlsp
fr_new      ldab #t_to
            jsr expect
            jsr expr
            pshb
            psha
            ldaa #0
            ldab #1
            pshb
            psha
            jsr peekc
            cmpa #t_step
            bne fr_push
            jsr skip1
            ins
            ins
            jsr expr
            pshb
            psha
fr_push     ldab #for_size
            jsr ctlpush
            ldaa #2
            staa 0,x
            ldaa forvar
            staa 1,x
            pula
            staa 5,x        ; step
            pula
            staa 6,x
            pula
            staa 3,x        ; limit
            pula
            staa 4,x
            ldaa txtptr
            staa 7,x
            ldaa txtptr+1
            staa 8,x
            ldaa curlin
            staa 9,x
            ldaa curlin+1
            staa 10,x
            rts

* NEXT [v]: adds the step; loops while the variable has not passed the
* limit. NEXT v ends the loops opened inside the FOR of v.
next        jsr peekc
            clr forvar
            com forvar      ; $FF: any variable
            jsr isletter
            bcc nx_find
            suba #'A'
            asla
            staa forvar
            jsr skip1
nx_find     ldx ctlsp
            cpx #ctltop
            beq nx_none
            ldaa 0,x
            cmpa #2
            bne nx_none
            ldaa forvar
            bmi nx_this
            cmpa 1,x
            beq nx_this
            ldab #for_size
            jsr addxb
            stx ctlsp
            bra nx_find
nx_none     fail e_next
nx_this     ldab 1,x        ; the variable
            stab tmp+1
            clr tmp
            stx tmp2        ; the entry
            ldx tmp
            ldaa 0,x
            ldab 1,x
            ldx tmp2
            addb 6,x
            adca 5,x
            ldx tmp
            staa 0,x
            stab 1,x
            ldx tmp2
            subb 4,x        ; variable - limit
            sbca 3,x
            blt nx_below
            bne nx_above
            tstb
            bne nx_above
            bra nx_loop     ; equal: once more
nx_below    tst 5,x
            bpl nx_loop
            bra nx_end
nx_above    tst 5,x
            bmi nx_loop
nx_end      ldab #for_size
            jsr addxb
            stx ctlsp
            rts
nx_loop     ldaa 7,x
            staa txtptr
            ldaa 8,x
            staa txtptr+1
            ldaa 9,x
            staa curlin
            ldaa 10,x
            staa curlin+1
            rts

end         jmp ready

stop        jmp dobreak

rem         jmp skipline

cont        ldx contlin
            bne ct_ok
            fail e_cont
ct_ok       stx curlin
            ldx conttxt
            stx txtptr
            clr contlin
            clr contlin+1
            lds #stktop
            jmp newstmt

run         jsr clrall
            jsr peekc
            jsr isdigit
            bcc rn_first
            jmp goto
rn_first    ldx #progbeg
            tst 0,x
            bne rn_go
            jmp ready
rn_go       stx curlin
            inx
            inx
            inx
            stx txtptr
            lds #stktop
            jmp newstmt

new         jsr newprog
            jmp ready

clear       jmp clrall

cls_stmt    jmp cls

poke        jsr expr
            pshb
            psha
            jsr comma
            jsr expr
            pula
            staa tmp
            pula
            staa tmp+1
            ldx tmp
            stab 0,x
            rts

sound       jsr expr
            pshb
            jsr comma
            jsr expr
            pula
            jmp tone

            include "basic_strings.inc"

            if * > $A000
            error "the high part runs past $9FFF"
            endif

* ======================================================= $6800: the tables

            org $6800
            include "basic_low.inc"

            end start
