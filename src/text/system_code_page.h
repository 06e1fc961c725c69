// The lead-byte classification made from the running system's ANSI code page.
#pragma once

// Classifies lead bytes for GetACP(): the known double-byte code pages from
// their fixed ranges, any other multi-byte code page from GetCPInfo, and a
// single-byte or undescribed one as having none.
void ClassifySystemLeadBytes();
