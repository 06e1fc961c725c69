#include "system_code_page.h"

#include <windows.h>

#include "leadbyte.h"

void ClassifySystemLeadBytes() {
    const UINT codePage = GetACP();
    switch (codePage) {
    case 932:
    case 936:
    case 949:
    case 950:
    case 1361:
        ClassifyLeadBytes(codePage);
        return;
    default:
        break;
    }
    CPINFO info = {};
    if (GetCPInfo(codePage, &info) != FALSE && info.MaxCharSize > 1) {
        ClassifyLeadByteRanges(info.LeadByte);
    } else {
        ClassifyLeadBytes(0);
    }
}
