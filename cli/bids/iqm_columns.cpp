#include "cli/bids/iqm_columns.h"

namespace quorvel::cli {

const std::vector<IqmColumn>& knownIqmColumns() {
  static const std::vector<IqmColumn> columns = {
      {"voxels_analysed", "Voxels analysed",
       "Voxels whose mean over the run exceeds 100, the plug-in's background rule; only "
       "these enter the maps and counts.",
       "voxels", false},
      {"voxels_analysed_fraction", "Share of voxels analysed",
       "voxels_analysed divided by the number of voxels of the grid.", "", true},
      {"tsnr_mean", "Mean TSNR",
       "Mean over the analysed voxels of the temporal signal-to-noise ratio (the voxel's "
       "mean over its standard deviation).",
       "", true},
      {"tsnr_median", "Median TSNR", "Median over the analysed voxels of the TSNR.", "", true},
      {"ac12_median", "Median lag 1+2 autocorrelation",
       "Median over the analysed voxels of the sum of the lag-1 and lag-2 autocorrelations.", "",
       true},
      {"outlier_volumes", "Volumes with outliers",
       "Volumes in which at least one analysed voxel is an outlier.", "volumes", false},
      {"outlier_volumes_fraction", "Share of volumes with outliers",
       "outlier_volumes divided by the number of volumes.", "", true},
      {"spike_volumes", "Volumes with spikes",
       "Volumes in which at least one outlier voxel is also a spike.", "volumes", false},
      {"spike_volumes_fraction", "Share of volumes with spikes",
       "spike_volumes divided by the number of volumes.", "", true},
      {"outlier_fraction_mean", "Mean outlier fraction",
       "Mean over the volumes of the share of analysed voxels that are outliers in the "
       "volume.",
       "", true},
      {"outlier_fraction_max", "Largest outlier fraction",
       "Largest over the volumes of the share of analysed voxels that are outliers.", "", true},
      {"dvars_mean", "Mean DVARS",
       "Mean over the volumes after the first of the root mean square, over the analysed "
       "voxels, of the change from the previous volume.",
       "the run's intensity units", true},
      {"dvars_max", "Largest DVARS", "Largest DVARS of the run.", "the run's intensity units",
       true},
      {"std_dvars_mean", "Mean standardised DVARS",
       "Mean of DVARS divided by its expected value for the run's noise.", "", true},
      {"std_dvars_max", "Largest standardised DVARS", "Largest standardised DVARS of the run.", "",
       true},
      {"global_signal_mean", "Mean global signal",
       "Mean over the volumes of the mean of the analysed voxels.", "the run's intensity units",
       true},
  };
  return columns;
}

}  // namespace quorvel::cli
