int main(void) { /* a
 comment */ QString s("x"); // end
 kvqoutput(1);
}
