#include "InterruptedSave.h"

#include <optional>
#include <ostream>
#include <system_error>

namespace {

std::string frenchReason(const std::error_code& reason) {
    if (reason == std::errc::permission_denied || reason == std::errc::operation_not_permitted) {
        return "écriture interdite";
    }
    if (reason == std::errc::read_only_file_system) {
        return "support en lecture seule";
    }
    if (reason == std::errc::no_space_on_device) {
        return "plus de place sur le disque";
    }
    return reason.message();
}

} // namespace

SaveRecovery recoverBeforeOpening(const std::string& path, std::ostream& errors) {
    const std::optional<std::string> copy = interruptedSaveCopy(path);
    std::error_code reason;
    const SaveRecovery recovery = restoreInterruptedSave(path, reason);
    if (recovery == SaveRecovery::restored) {
        errors << "quadrel : " << path
               << " restauré après une interruption : son dernier enregistrement n'avait pas "
                  "abouti\n";
    } else if (recovery == SaveRecovery::failed) {
        errors << "quadrel : impossible d'ouvrir " << path
               << " : un enregistrement interrompu a laissé son ancien contenu dans "
               << copy.value_or("une copie") << ", qui n'a pas pu être remis en place ("
               << frenchReason(reason) << ")\n";
    }
    return recovery;
}
