m#include\"	/*/a+b//*

/*/*/é
*x1
char")Q<QStr>int_kvqoutput
'"'QStringkvqoutput(	printf (;*char
{_intkvqoutputséQµschar

typename\"
(kvqoutput'"'
//)a+bchar3*/*/
a+b3charchar)
3<QStr>/*/#includetypenamex1éQStringQWidget( //
"boolQ_OBJECTkvqoutputsQStringQString""text""text"QString}
'"'3inttypename{uint8_ta+b
_int;;kvqoutputs"text" 
  Q_OBJECTx1char{ /*(*/
/*/\"
QString{QString
x1_intQt5Q\"
{ ('"'_int/*/;
*  QString"text"Q /'"'kvqoutputa+b
x1\"uint8_t";x1
Q_OBJECT;  *
\"//

printf (typename*/int;Qt5sizeof\"void  


é 3kvqoutputsQ_OBJECT*}kvqoutput
Qt5\"*<QStr>Qt5}bool


voidsizeofuint8_t#include


"	#include
"text"µs/kvqoutput_intkvqoutputs
µs
printf (Q_OBJECT