#include "cli/session/host_session.h"

#include <dlfcn.h>

#include <cstring>

#include "cli/base/cli_error.h"
#include "cli/session/plugin_abi.h"
#include "simulated_host.h"

namespace quorvel::cli {
namespace {

noravia::SimulatedHost& host() { return noravia::SimulatedHost::instance(); }

}  // namespace

struct HostSession::Plugin {
  NRVAPluginInterface* object = nullptr;
};

HostSession::HostSession(const std::filesystem::path& libraryPath,
                         const std::filesystem::path& pluginsFolder, HostListeners listeners) {
  host().reset();
  host().setPluginsPath(pluginsFolder.string());
  // The log is read through logLines(); a long run's log is held once.
  host().journalLogLines(false);
  if (listeners.logLine) host().onLogText(std::move(listeners.logLine));
  if (listeners.messageBox) {
    host().onMessageBox(std::move(listeners.messageBox));
  }
  library_ = ::dlopen(libraryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library_ == nullptr) {
    const char* reason = ::dlerror();
    throw runError(libraryPath.string() + ": the plug-in library cannot be loaded (" +
                   (reason != nullptr ? reason : "unknown reason") + ")");
  }
  plugin_ = new Plugin;
}

HostSession::~HostSession() {
  if (plugin_ != nullptr) {
    delete plugin_->object;  // the host ends the object through its destructor
    delete plugin_;
  }
  host().reset();  // drops the listeners and every sample and map
  if (library_ != nullptr) ::dlclose(library_);
}

void HostSession::registerRun(const std::string& vtcPath, NiftiRun& run) {
  // The reader already laid the samples out as the host hands them over,
  // so they move into the host without a copy.
  const noravia::Box box = noravia::Box::ofVoxels(run.nx, run.ny, run.nz, 1);
  if (run.isInt16) {
    host().adoptIntVtc(vtcPath, box, run.nt, std::move(run.intSamples));
  } else {
    host().adoptFloatVtc(vtcPath, box, run.nt, std::move(run.floatSamples));
  }
  run.intSamples = {};
  run.floatSamples = {};
}

void HostSession::setSettings(const DialogSettings& settings) {
  for (const DialogSetting& setting : kDialogSettings) {
    const double value = settingValue(settings, setting.setting);
    if (setting.kind == SettingKind::kThreshold) {
      host().setFloatParameter(setting.parameterName, value);
    } else {
      host().setIntParameter(setting.parameterName, value != 0 ? 1 : 0);
    }
  }
}

void HostSession::setFileList(const std::vector<std::string>& vtcPaths) {
  std::string list;
  for (const std::string& path : vtcPaths) {
    if (!list.empty()) list += '\n';
    list += path;
  }
  host().setStringParameter("FileList", list);
}

std::string HostSession::fileList() const { return host().stringParameter("FileList"); }

void HostSession::answerNextFileDialog(const std::string& path) { host().queueChosenFile(path); }

bool HostSession::initPlugin() {
  if (plugin_->object == nullptr) {
    auto create = reinterpret_cast<CreatePluginFunction>(::dlsym(library_, "createPlugin"));
    if (create == nullptr) {
      throw runError("the plug-in library exports no createPlugin");
    }
    plugin_->object = create();
    if (plugin_->object == nullptr) {
      throw runError("the plug-in could not create its object");
    }
  }
  return plugin_->object->initPlugin();
}

bool HostSession::execute(const std::string& command) {
  if (plugin_->object == nullptr) return false;
  host().setStringParameter("Command", command);
  mapsBeforeExecute_ = host().mapCount();
  host().clearJournal();
  return plugin_->object->execute();
}

std::vector<MadeMap> HostSession::maps() const {
  std::vector<MadeMap> made;
  for (std::size_t i = 0; i < host().mapCount(); ++i) {
    const noravia::Map& map = host().map(i);
    MadeMap copy;
    copy.facts.displayName = map.name();
    copy.facts.lowerThreshold = map.record.lowerThreshold;
    copy.facts.upperThreshold = map.record.upperThreshold;
    copy.values = map.values;
    made.push_back(std::move(copy));
  }
  return made;
}

SampleView HostSession::samples(const std::string& vtcPath) const {
  SampleView view;
  const noravia::Vtc* vtc = host().vtc(vtcPath);
  if (vtc == nullptr) return view;
  view.volumes = static_cast<std::size_t>(vtc->header.nrOfVolumes);
  if (vtc->header.dataType == 2) {
    view.floatSamples = vtc->floatSamples.data();
    view.voxels = view.volumes > 0 ? vtc->floatSamples.size() / view.volumes : 0;
  } else {
    view.int16Samples = vtc->intSamples.data();
    view.voxels = view.volumes > 0 ? vtc->intSamples.size() / view.volumes : 0;
  }
  return view;
}

const std::vector<std::string>& HostSession::logLines() const { return host().log(); }

bool HostSession::ranOutOfMemory() const {
  const std::vector<std::string>& log = host().log();
  return host().ranOutOfMemory() ||
         (!log.empty() && log.back() == "Plugin>  The command was stopped: std::bad_alloc");
}

std::vector<LinkedVtc> HostSession::linkedVtcs() const {
  std::vector<LinkedVtc> linked;
  // Where each linked VTC's share of the log begins; it ends where the
  // next one's begins, the last one's with the log.
  std::vector<std::size_t> firstLines;
  std::size_t mapCount = mapsBeforeExecute_;
  for (const noravia::HostCall& call : host().journal()) {
    if (call.entryPoint == "nvLinkVTCToCurrentVMR") {
      // The argument is "<path>, <flag>"; flag 0 unlinks.
      const std::string::size_type comma = call.argument.rfind(", ");
      if (call.result == "1" && comma != std::string::npos &&
          call.argument.substr(comma + 2) != "0") {
        linked.push_back(LinkedVtc{call.argument.substr(0, comma), {}, {}});
        firstLines.push_back(call.logLength);
      }
    } else if (call.entryPoint == "nvDeleteNRVMPsOfCurrentVMR") {
      mapCount = 0;
    } else if (call.entryPoint == "nvCreateNRVMPsForCurrentVMR" && call.result == "1") {
      if (!linked.empty()) linked.back().mapIndices.push_back(mapCount);
      ++mapCount;
    }
  }
  const std::vector<std::string>& log = host().log();
  for (std::size_t k = 0; k < linked.size(); ++k) {
    const std::size_t end = k + 1 < linked.size() ? firstLines[k + 1] : log.size();
    linked[k].logLines = LineRange::of(log, firstLines[k], end);
  }
  return linked;
}

bool HostSession::askedForPluginsFolder() const { return host().callCount("nvGetPluginsPath") > 0; }

}  // namespace quorvel::cli
