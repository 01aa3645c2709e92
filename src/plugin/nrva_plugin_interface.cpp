#include "plugin/nrva_plugin_interface.h"

// Defined out of line so that the library exports them under their
// class-qualified names.
NRVAPluginInterface::NRVAPluginInterface() = default;
NRVAPluginInterface::NRVAPluginInterface(const NRVAPluginInterface&) = default;
NRVAPluginInterface& NRVAPluginInterface::operator=(
    const NRVAPluginInterface&) = default;
NRVAPluginInterface::~NRVAPluginInterface() {}
