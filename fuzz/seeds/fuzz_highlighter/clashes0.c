D/*3<QStr>éQ;*<QStr>Qt5
(x1
*charµskvqoutputs *int
//void*/"char  Q_OBJECT)a+ba+bsizeof
)int

//    
_int"text"µs\"
//""text"charuint8_tQx1void   
Q_OBJECTint_uint8_tprintf (
intprintf (\"int_Q_OBJECTuint8_t3uint8_t{
_int"{{"Qt5/*Q3boolQ
voidx1charQWidget(intsizeofQString"
"text"(*;3	3é/*
kvqoutputsQWidget(x1/*/QStringtypenamekvqoutput
int_	a+b
 int_*/µskvqoutput
\"_intuint8_t"
#include
uint8_t{
Qt5kvqoutput
µsboolQString*printf (3/*;<QStr>
 Qt5#includeQString}int_
) )
voidkvqoutputs  typenamex1 Qt5void/*/ 
a+b  é;}_int{
/*/{bool 
char
"#include}int_"kvqoutput}*/
	x1Q_OBJECT3QWidget('"'QString
x1'"'*/
/*/*/int_<QStr>"QWidget(int
/*_int'"'*/;/*/
<QStr>\"33*/<QStr>3void
"sizeofx1int_é
é  
x1{/*/
kvqoutput'"'void  a+bQWidget(é'"'voiduint8_ta+b
#include*/Q"text"  QWidget(sizeofa+b
"/\""#includeQString{/  Qt5