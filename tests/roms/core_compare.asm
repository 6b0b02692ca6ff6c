* A long program for running trivo's and mirla's processors side by side:
* every documented instruction group over data that changes from pass to
* pass, in RAM at A000-BFFF and page 0 (0040-007F). It avoids what the two
* cores do differently on purpose (SWI, WAI, undefined opcodes, and the V
* flag of LSR, ASR and ROR, which is cleared right after them), and ends in
* a branch to itself at `done`.

seed        equ $40         ; page 0 work bytes (direct addressing)
count       equ $41
work        equ $42         ; 2
pass        equ $44
table       equ $B000       ; results, 12 bytes a step
temp        equ $B800       ; extended-address work bytes

            org $A000
start       lds #$BFFF
            ldaa #4
            staa pass
            ldaa #$5A
            staa seed
            clr temp
            clr temp+1
outer       ldx #table
            ldaa seed
            ldab #$C3
step        adda #$37
            adca seed
            tab
            eorb #$A5
            aba
            daa
            staa 0,x
            sbca #$11
            sba
            cba
            bcs s1
            nega
s1          coma
            rola
            asla
            ldab 0,x
            lsrb
            clv
            rorb
            clv
            asrb
            clv
            orab 1,x
            andb #$7E
            bitb #$40
            beq s2
            incb
s2          decb
            stab 1,x
            tst 1,x
            bmi s3
            neg 2,x
s3          com 3,x
            inc 4,x
            dec 5,x
            asl 6,x
            rol 7,x
            lsr 8,x
            clv
            ror 9,x
            clv
            asr 10,x
            clv
            clr 11,x
            adda 2,x
            suba 3,x
            cmpa 4,x
            bhi s4
            adcb temp
s4          sbcb temp+1
            eora seed
            oraa count
            anda work
            bita #$81
            bvs s5
            bge s6
s5          ldab #$33
s6          bgt s7
            ble s7
s7          bpl s8
s8          bne s9
s9          psha
            pshb
            bsr sub
            pulb
            pula
            staa temp
            stab temp+1
            tpa
            anda #$EF       ; keep interrupts unmasked through TAP
            tap
            stx work
            ldx work
            inx
            dex
            cpx #table+$F0
            bcc s10
            bvc s10
            sev
s10         clc
            sec
            bcs s11
            nop
s11         clc
            tsx
            txs
            ins
            des
            ldx work
            inx
            inx
            inx
            inx
            inx
            inx
            inx
            inx
            inx
            inx
            inx
            inx
            cpx #table+$F0
            bne step_far
            dec pass
            bne outer_far
            jsr with_rti
            ldx #ret_table
            jsr 0,x
            sts work
            lds work
            ldx #done
            jmp 0,x
step_far    jmp step
outer_far   inc seed
            jmp outer

sub         ldaa seed
            adda #$1D
            staa seed
            jsr sub2
            rts
sub2        inc count
            ldab count
            stab work+1
            rts

* RTI from a frame built by hand: CC, B, A, X, PC pulled in that order.
with_rti    ldx #after_rti
            stx work
            ldaa work+1
            psha            ; PC low
            ldaa work
            psha            ; PC high
            ldaa #$34
            psha            ; X low
            ldaa #$12
            psha            ; X high
            ldaa #$A5
            psha            ; A
            ldaa #$5A
            psha            ; B
            ldaa #$C9
            psha            ; CC: N and C, interrupts unmasked
            rti
after_rti   rts

ret_table   ldaa #$77
            ldab #$88
            rts

done        bra done
            end start
