# cmake -DIN=FILE -DOUT=FILE -P crlf.cmake: copies IN to OUT with every line
# ending in CR LF (Windows text), whatever IN's line ends were.
file(READ ${IN} text)
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE ${OUT} "${text}")
