// The fake lives in its header; this file keeps the source lists that name it valid.
#include "FakeSerialPort.h"
