#include "plugin/nrva_plugin_interface.h"

// Defined out of line so that the library exports them under their
// class-qualified names.
NRVAPluginInterface::NRVAPluginInterface() noexcept = default;
NRVAPluginInterface::NRVAPluginInterface(const NRVAPluginInterface&) noexcept =
    default;
NRVAPluginInterface& NRVAPluginInterface::operator=(
    const NRVAPluginInterface&) noexcept = default;
NRVAPluginInterface::~NRVAPluginInterface() {}
