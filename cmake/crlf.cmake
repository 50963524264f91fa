# Copies the text file FROM to TO with CR LF line ends.
#   cmake -DFROM=README.md -DTO=README.txt -P cmake/crlf.cmake
file(READ ${FROM} text)
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE ${TO} "${text}")
