#pragma once
// The installation agreement of the Vokari service, shown by the agreement screen.

namespace vokari {

extern const char* const kAgreementText;

}  // namespace vokari
