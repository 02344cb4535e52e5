// Uses the installed public headers the way an application does.
#include <vorsa/Framework.h>

#include <cstdio>

int main() {
    vorsa::TComponent owner;
    owner.SetDesigning(true);
    vorsa::TComponent child(&owner);
    if ((child.ComponentState() & vorsa::csDesigning) == 0) {
        std::puts("design state not inherited");
        return 1;
    }
    std::puts("consumer ok");
    return 0;
}
