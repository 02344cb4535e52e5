// The exact prefix and suffix tests that every reply parser of the component uses.
#include "vorsa/Vorsa32.h"

namespace vorsa {

bool startWith(const std::string& S, const std::string& Prefix) {
    return S.size() >= Prefix.size() && S.compare(0, Prefix.size(), Prefix) == 0;
}

bool endWith(const std::string& S, const std::string& Suffix) {
    return S.size() >= Suffix.size() &&
           S.compare(S.size() - Suffix.size(), Suffix.size(), Suffix) == 0;
}

}  // namespace vorsa
