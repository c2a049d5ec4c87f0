; The system variables this program reads and sets; every ROM and Interface
; 1 keep them here. Interface 1 moves PROG (to 23813), so areas are found
; through these, never at fixed addresses.

ERR_NR          EQU 23610
ERR_SP          EQU 23613
NEWPPC          EQU 23618
NSPPC           EQU 23620
VARS            EQU 23627           ; the first of the 14 pointers POINTERS moves
PROG            EQU 23635
NXTLIN          EQU 23637
DATADD          EQU 23639
E_LINE          EQU 23641
CH_ADD          EQU 23645
X_PTR           EQU 23647
STKBOT          EQU 23651
STKEND          EQU 23653           ; the last of them
MEM             EQU 23656
MEMBOT          EQU 23698

; BASIC's reports, as ERR_NR holds them (one less than the report's code).
REPORT_4        EQU 3               ; 4 Out of memory
REPORT_B        EQU 10              ; B Integer out of range
REPORT_D        EQU 12              ; D BREAK - CONT repeats
REPORT_F        EQU 14              ; F Invalid file name
REPORT_R        EQU 26              ; R Tape loading error

TOKEN_REM       EQU $EA
NUMBER_MARK     EQU $0E             ; five bytes of a number's value follow
