#include "host_cad/AcadCleanup.h"

int RemoveAcadConfiguration(const CString&, AcadCleanupParts) { return 0; }
