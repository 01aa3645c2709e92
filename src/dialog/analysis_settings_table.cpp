#include "dialog/analysis_settings.h"

#include "host/host_text.h"

namespace quorvel {
namespace {

// "Yes" or "No " (three characters either way, so the frame stays straight).
const char* yesNo(bool flag) { return flag ? "Yes" : "No "; }

}  // namespace

void logAnalysisSettings(const AnalysisSettings& settings) {
  logText("===== The following parameters are used =====");
  logFormatted("| Delete Present VMPS: %s                  |",
               yesNo(settings.deleteOtherVmps));
  logFormatted("| Add VTC Name to VMP Names: %s            |",
               yesNo(settings.addVtcName));
  logFormatted("| Create TSNR Map: %s                      |",
               yesNo(settings.createTSNRMap));
  logFormatted("| Create Lagged Autocorrelation Map: %s    |",
               yesNo(settings.createLaggedAutocorMap));
  logFormatted("| Create Outlier Map: %s                   |",
               yesNo(settings.createOutlierMap));
  logFormatted("| Maximum Deviation: %1.1f                    |",
               static_cast<double>(settings.maxDeviation));
  logFormatted("| Spike Definition: %1.1f                     |",
               static_cast<double>(settings.spikeDef));
  logFormatted("| Write temporal outliers to Logtab: %s    |",
               yesNo(settings.createTemporalOutlierLogtab));
  logFormatted("| Write temporal outliers to CSV file: %s  |",
               yesNo(settings.createTemporalOutlierFile));
  logText("=============================================");
}

}  // namespace quorvel
