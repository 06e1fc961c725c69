// Resource ids shared by the code and the resource script.
#pragma once

// Messages of the install sequence (string table block 7, numbers 96-111).
#define IDS_SETUP_BROKEN 101
#define IDS_OS_NOT_SUPPORTED 102

// The icon group is known by the name "IDI_QUENLOW20", not by a number: no
// macro of that name may be defined, or the script would turn it into one.
