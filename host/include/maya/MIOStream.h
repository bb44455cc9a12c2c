// Stand-in for the host SDK's stream header: the standard streams in the global namespace.
#ifndef MAYA_MIOSTREAM_H
#define MAYA_MIOSTREAM_H

#include <iostream>

#define IOS_REF(x) std::x
using std::cerr;
using std::cin;
using std::clog;
using std::cout;
using std::endl;
using std::flush;
using std::ios;
using std::iostream;
using std::istream;
using std::ostream;
using std::streampos;
using std::ws;

#endif
