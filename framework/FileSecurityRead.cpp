// Alone in its file: a test program links its own in its place, to give
// files the rights Wine keeps none of; the programs contain only this one.
#include "framework/FileSecurity.h"

bool ReadFileSecurity(HANDLE object, CLocalMemory& descriptor) {
    return ReadSystemFileSecurity(object, descriptor);
}
