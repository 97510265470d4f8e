#include <windows.h>

#include "text/text.h"

namespace velmora {

Moment LocalNow() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return Moment{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

}  // namespace velmora
