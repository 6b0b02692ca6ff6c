 include "other.inc"
 incbin "x.bin"
 org $FFFE
 fdb $8000
