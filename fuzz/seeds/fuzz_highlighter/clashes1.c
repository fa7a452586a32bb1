M_int
{"text"
QStringvoid;3char'"'a+bQ_OBJECT
//*x1int3bool*/void(
x1QStringa+buint8_tkvqoutputs/*/µs	int_
/*/3)voidvoid <QStr>µsx1
   printf (char {"text"
printf (kvqoutput
'"'intcharkvqoutputs_int
a+bµs _int#include chartypenametypename
}/*/{
charchar  printf (printf (/*uint8_t}/*voidQ
uint8_t}/*/ {

'"'
sizeof*/*/QString)boolint{µs
*/*{QString*}*/ 
/*//*/}printf ({é<QStr>printf ((Q)
/*/µsint_a+b
éQ;3
\"QWidget()QStringint
;\"kvqoutputs
µs"text"inttypenametypenameprintf ( #include<QStr>{
{bool\""text"/*/;
uint8_t

typenameQWidget(/*/<QStr>{uint8_t   {}
µs typenameQWidget(µs

/
kvqoutputQ_OBJECT'"'Q
typenameQ_OBJECTbool}Qt5
(
a+b<QStr>(
)/*/sizeof "a+b"void  Q_OBJECTa+b
QStringkvqoutputs
charQ_OBJECT*/Qt5  (boola+b)

kvqoutput_int\"printf (}}
<QStr>x1Qt5)/*/