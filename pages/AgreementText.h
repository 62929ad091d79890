// The end-user licence agreement of Kelvra V9.0, held by the program in code
// page 936: lines ended by CR LF, ready for a multi-line edit control.
#pragma once

extern const char kAgreementText[];
