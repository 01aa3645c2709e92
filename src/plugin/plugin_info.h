// Descriptive texts of the plug-in, shared by the exports and the code that
// needs the same names.
#ifndef QUORVEL_PLUGIN_PLUGIN_INFO_H_
#define QUORVEL_PLUGIN_PLUGIN_INFO_H_

namespace quorvel {

constexpr const char kPluginName[] = "Quorvel 1.2";
constexpr const char kPluginVersion[] = "1.2";
constexpr const char kPluginAuthor[] = "<i>KT</i>";
constexpr const char kPluginHelpFile[] = "HelpFolder/index.html";
constexpr const char kPluginDescription[] =
    "The Quorvel gives you some information about the quality of your data. "
    "By analyzing the VTC it can create 3 VMPs: one with the TSNR, one with "
    "the 1+2 lagged auto-correlation and one with the maximum standard "
    "deviation for each voxel. This last map shows by default all the > 4 "
    "stddev voxels, which are considered outliers. The temporal information "
    "of these outliers plus how many of them are considered as spikes can be "
    "printed to the logtab or written to a CSV file.";

}  // namespace quorvel

#endif  // QUORVEL_PLUGIN_PLUGIN_INFO_H_
