#include "cli/nifti/nifti_header_image.h"

#include <cmath>

#include "cli/base/cli_error.h"

namespace quorvel::cli {
namespace {

double finiteOr(double value, double fallback) { return std::isfinite(value) ? value : fallback; }

}  // namespace

NiftiImagePtr imageOfHeader(const NiftiHeader& header) {
  std::int64_t dims[8];
  for (int d = 0; d < 8; ++d) dims[d] = header.dim[d];
  NiftiImagePtr image(nifti_make_new_nim(dims, header.datatype, 0));
  if (!image) throw runError("out of memory for a NIfTI header");
  image->nifti_type = header.version == 1 ? NIFTI_FTYPE_NIFTI1_1 : NIFTI_FTYPE_NIFTI2_1;

  double* spacing[8] = {nullptr,    &image->dx, &image->dy, &image->dz,
                        &image->dt, &image->du, &image->dv, &image->dw};
  for (int d = 1; d < 8; ++d) {
    const double size = header.pixdim[d];
    image->pixdim[d] = *spacing[d] = (size == 0.0 || !std::isfinite(size)) ? 1.0 : size;
  }
  image->scl_slope = header.sclSlope;
  image->scl_inter = header.sclInter;
  image->xyz_units = XYZT_TO_SPACE(header.xyztUnits);
  image->time_units = XYZT_TO_TIME(header.xyztUnits);
  image->freq_dim = DIM_INFO_TO_FREQ_DIM(header.dimInfo);
  image->phase_dim = DIM_INFO_TO_PHASE_DIM(header.dimInfo);
  image->slice_dim = DIM_INFO_TO_SLICE_DIM(header.dimInfo);
  image->slice_code = header.sliceCode;
  image->slice_start = header.sliceStart;
  image->slice_end = header.sliceEnd;
  image->slice_duration = finiteOr(header.sliceDuration, 0.0);
  image->toffset = finiteOr(header.toffset, 0.0);

  if (header.qformCode > 0) {
    image->quatern_b = finiteOr(header.quatern[0], 0.0);
    image->quatern_c = finiteOr(header.quatern[1], 0.0);
    image->quatern_d = finiteOr(header.quatern[2], 0.0);
    image->qoffset_x = finiteOr(header.qoffset[0], 0.0);
    image->qoffset_y = finiteOr(header.qoffset[1], 0.0);
    image->qoffset_z = finiteOr(header.qoffset[2], 0.0);
    image->qfac = header.pixdim[0] < 0.0 ? -1.0 : 1.0;
    image->qto_xyz = nifti_quatern_to_dmat44(image->quatern_b, image->quatern_c, image->quatern_d,
                                             image->qoffset_x, image->qoffset_y, image->qoffset_z,
                                             image->dx, image->dy, image->dz, image->qfac);
    image->qform_code = header.qformCode;
  } else {
    image->qform_code = NIFTI_XFORM_UNKNOWN;  // the diagonal of voxel sizes
    image->qto_xyz = nifti_dmat44{};
    image->qto_xyz.m[0][0] = image->dx;
    image->qto_xyz.m[1][1] = image->dy;
    image->qto_xyz.m[2][2] = image->dz;
    image->qto_xyz.m[3][3] = 1.0;
  }
  image->qto_ijk = nifti_dmat44_inverse(image->qto_xyz);

  if (header.sformCode > 0) {
    image->sto_xyz = nifti_dmat44{};
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 4; ++c) image->sto_xyz.m[r][c] = header.srow[r][c];
    image->sto_xyz.m[3][3] = 1.0;
    image->sto_ijk = nifti_dmat44_inverse(image->sto_xyz);
    image->sform_code = header.sformCode;
  } else {
    image->sform_code = NIFTI_XFORM_UNKNOWN;
  }
  return image;
}

}  // namespace quorvel::cli
