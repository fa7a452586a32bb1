�Qsizeofµs3}typename charé
)intuint8_tsizeof/()uint8_t{
/*
_int))µskvqoutput{
kvqoutputtypename 
**/Qt5}*Qt5"text"/*/x1kvqoutputs
void
charint/*/<QStr>
 Q
 <QStr>QQt5typename*/kvqoutputs
)_intQ_OBJECTuint8_t  
/*}
_int/*/QStringQ_OBJECTµsQQ(Qt5
3typename
a+bQ/é
)x1"text"int_3int
QWidget(a+b
kvqoutputs*/
printf (  #include sizeoftypenametypename(
_intsizeof/;printf (
  sizeofQt5'"'  µs
}printf (intkvqoutputs)void\"

intQString 
{3bool
//"text"*/"text"uint8_té
*x13*'"'

}bool3  *}charQString
  
kvqoutputs/*/"text"_int{\"
µsa+bkvqoutput"text"charintkvqoutputs
printf (QWidget(a+b"charQ_int\"

uint8_t	char	{µsboolsizeofQWidget(
'"'Qt5µs voidx1QWidget(Q\"é
/*//*/Q_OBJECT

3
QWidget(voiduint8_tint*/*Q_OBJECTQStringkvqoutput