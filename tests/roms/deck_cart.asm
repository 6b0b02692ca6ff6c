* Test cartridge for the cassette deck, installed at $8000-$9FFF in place of
* the BASIC ROM's upper part.
*
* It has cassette routines at the addresses where the BASIC ROM keeps its
* own, so the deck's byte-path traps fire on it exactly as on the ROM:
*
*   $8503  inner step of the X-counted delay loop
*   $853A  entry of read-byte (8 bits into A)
*   $8548  final RTS of read-byte, A holds the byte
*   $8568  call of the leader writer
*   $85A7  entry of write-byte (8 bits from A)
*   $85B4  read preamble (delay, leader sync); its end at $85C7 reads the
*          first byte
*
* Untrapped, the routines do the real work: write-byte sends each bit as
* one period on the cassette output (PIA2 port B bit 6), and the preamble
* and read-byte decode the tape signal on the cassette input (bit 7) the
* way the machine's tapes are written: one full period per bit, most
* significant bit first, a long period (about 1 kHz) a 1 and a short one
* (about 2 kHz) a 0; a leader of long periods, then one short period as
* start mark, then the bytes. A sine recording starts each period with its
* low half, a square one with its high half, so the decoder never assumes a
* polarity: it finds the start mark by its two short halves and times each
* bit from the edge that starts it, whichever way that edge goes.
*
* Entry points for the test:
*   $8000  csave: writes `count` bytes from `buffer`, then their 8-bit sum
*   $8010  cload: reads `count` bytes into `buffer`, summing them in $A00D
*   $8020  done:  both end here (BRA to itself)
* `status` is non-zero after a data period timed out (no signal).

pia2_b  equ     $6002           ; bit 7 cassette input, bit 6 output
ptr     equ     $10             ; next byte of the buffer
count   equ     $12             ; bytes still to write or read (set by the test)
sum     equ     $14             ; checksum of the bytes written
shift   equ     $15             ; bits of the byte being read
status  equ     $16             ; set when a period timed out
longs   equ     $17             ; leader half-periods seen in a row
level   equ     $18             ; input level (bit 7) a period or half began with
loadsum equ     $A00D           ; running sum of the bytes read (the ROM's place)
buffer  equ     $A100

* Loop passes of the timers (17 cycles each) that separate a short period
* (26-29 passes at 44100 or 22050 samples per second) from a long one
* (52-57 passes), and a short half-period (13-14) from a long one (26-29).
thresh  equ     40
hthresh equ     20
* Long half-periods in a row that make a leader.
leadmin equ     64

        org     $8000
csave   lds     #$01FF
        ldx     #buffer
        stx     ptr
        jsr     wrfile
        jmp     done

        org     $8010
cload   lds     #$01FF
        ldx     #buffer
        stx     ptr
        jsr     rdfile
        jmp     done

        org     $8020
done    bra     done

* Delay of about 16000 cycles: the motor's start-up pause.
        org     $8500
delay   ldx     #$0800
dloop   dex                     ; $8503
        bne     dloop
        rts

* Read-byte: the 8 bits of the next byte into A.
        org     $853A
rdbyte  jmp     rdbody          ; $853A
        org     $8548
rdend   rts                     ; $8548

* Write a file: pause, leader and start mark, the bytes, their checksum.
        org     $8560
wrfile  jsr     delay
        clr     sum
        nop
        nop
        bsr     wrlead          ; $8568
wrloop  ldx     ptr
        ldaa    0,x
        inx
        stx     ptr
        jsr     wrbyte
        adda    sum
        staa    sum
        ldx     count
        dex
        stx     count
        bne     wrloop
        ldaa    sum
        jsr     wrbyte          ; the checksum byte
        rts

* Leader: 256 long periods, then the short start mark.
wrlead  clrb
wlloop  sec
        jsr     wrper
        decb
        bne     wlloop
        clc
        jsr     wrper
        rts

* Write-byte: A goes out most significant bit first; A and B are kept.
        org     $85A7
wrbyte  jmp     wrbody          ; $85A7

* Read a file: preamble, then `count` bytes into the buffer.
        org     $85B4
rdfile  jsr     sync            ; $85B4
        clr     loadsum
        bra     rdloop
        org     $85C7
rdloop  jsr     rdbyte          ; $85C7: the first byte read
        ldx     ptr
        staa    0,x
        inx
        stx     ptr
        adda    loadsum
        staa    loadsum
        ldx     count
        dex
        stx     count
        bne     rdloop
        rts

        org     $8600
wrbody  psha
        pshb
        ldab    #8
wbit    asla                    ; next bit into carry
        bsr     wrper
        decb
        bne     wbit
        pulb
        pula
        rts

* One period on the output: high half, low half, each long when carry is set.
wrper   psha
        ldaa    #$40
        staa    pia2_b
        bsr     wrhalf
        ldaa    #0
        staa    pia2_b
        bsr     wrhalf
        pula
        rts

wrhalf  ldx     #30             ; LDX and DEX leave carry alone
        bcc     wrh1
        ldx     #60
wrh1    dex
        bne     wrh1
        rts

* Times one period of the input from the edge just seen (the one that
* starts the bit) through its middle edge to the edge that ends it:
* A = passes of 17 cycles, $FF (and status set) when that takes more than
* 255 passes. Only A and the flags change.
period  pshb
        ldab    pia2_b
        stab    level           ; the level of the period's first half
        clra
pfirst  inca
        beq     ptime
        ldab    pia2_b
        eorb    level
        bpl     pfirst          ; same level: still the first half
psecond inca
        beq     ptime
        ldab    pia2_b
        eorb    level
        bmi     psecond         ; other level: still the second half
        pulb
        rts
ptime   ldaa    #$FF
        staa    status
        pulb
        rts

* Times the input from now to its next edge, in passes of 17 cycles as
* period does: A = passes, $FF (and status set) after 255. Only A and the
* flags change.
half    pshb
        ldab    pia2_b
        stab    level
        clra
hloop   inca
        beq     ptime
        ldab    pia2_b
        eorb    level
        bpl     hloop
        pulb
        rts

* Leader sync: a run of long half-periods, then the start mark's two short
* ones. Counting halves needs no knowledge of which half of a period comes
* first. The first data period starts at the edge that ends the start mark.
sync    jsr     delay
        clr     longs
syloop  bsr     half
        cmpa    #hthresh
        bcs     syshort
        cmpa    #$FF
        beq     syreset
        ldab    longs
        cmpb    #leadmin
        beq     syloop
        inc     longs
        bra     syloop
syreset clr     longs
        bra     syloop
syshort ldab    longs
        cmpb    #leadmin
        bne     syreset
        bsr     half            ; the start mark's second half
        cmpa    #hthresh
        bcc     syreset
        clr     status
        rts

rdbody  pshb
        ldab    #8
rbit    bsr     period
        cmpa    #thresh         ; carry set for a short period: a 0 bit
        rol     shift
        decb
        bne     rbit
        pulb
        ldaa    shift
        coma                    ; the bits came in inverted
        jmp     rdend
