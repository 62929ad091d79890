#include "uninstall/ProductRemoval.h"

int RemovalOutcome::ExitCode() const {
    if (!inUse.empty() || !failed.empty()) return 1603;
    return scheduled.empty() ? 0 : 3010;
}
RemovalOutcome RemoveProduct(const UninstallRecord&, const CRemovalScope&, const RemovalOptions&,
                             IRemovalObserver&) {
    return RemovalOutcome();
}
bool RemoveEmptyDestination(const CRemovalScope&) { return false; }
int RemoveUserShortcuts() { return 0; }
