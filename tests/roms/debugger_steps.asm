* Routines the debugger's stepping tests run: calls at two depths, a
* branch-to-subroutine, an instruction that is no call, the first addition
* that leaves the carry set, and an opcode the 6800 does not have.
* The test machine has RAM here; the tests find the labels in the listing.

        org     $1000
start   lds     #$01ff
        ldaa    #$01
        jsr     twice           ; Step Over stops at after_call
after_call
        bsr     twice
after_bsr
        inca                    ; no call: Step Over steps in
        ldab    #$7f
        addb    #$01            ; overflow, carry still clear
        ldab    #$ff
        addb    #$01            ; the first instruction that leaves carry set
carry_set
        nop
        jsr     outer
after_outer
        fcb     $02             ; no 6800 instruction
        bra     start

twice   asla
        rts

* A deeper call returns to outer first; Step Out started in outer must not
* stop there.
outer   jsr     twice
in_outer
        inca
        rts
