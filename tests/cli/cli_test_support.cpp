#include "cli_test_support.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>

namespace cli_test {
namespace fs = std::filesystem;

std::vector<double> TestRun::course(int x, int y, int z) const {
  std::vector<double> values;
  values.reserve(static_cast<std::size_t>(nt));
  for (int t = 0; t < nt; ++t) {
    values.push_back(samples[((static_cast<std::size_t>(t) * nz + z) * ny + y) * nx + x]);
  }
  return values;
}

TestRun typicalRun(int nx, int ny, int nz, int nt) {
  TestRun run;
  run.nx = nx, run.ny = ny, run.nz = nz, run.nt = nt;
  run.samples.assign(static_cast<std::size_t>(nx) * ny * nz * nt, 0.0);
  std::mt19937 engine(7);
  for (int z = 0; z < nz; ++z)
    for (int y = 0; y < ny; ++y)
      for (int x = 0; x < nx; ++x)
        for (int t = 0; t < nt; ++t) {
          double base = 1000.0 + 40.0 * x + 7.0 * y - 3.0 * z;
          run.at(x, y, z, t) = base + static_cast<int>(engine() % 21) - 10;
        }
  for (int t = 0; t < nt; ++t) run.at(0, 1, 0, t) = 20 + t % 3;  // background
  if (nx > 1 && nt > 12) run.at(1, 0, 0, 12) += 400;             // a spike
  return run;
}

namespace {

// nifti_clib writes NIfTI-1 only here, so NIfTI-2 test files are laid out
// by hand: the 540-byte header, a 4-byte extender, then float32 samples.
void writeNifti2Float(const TestRun& run, const std::string& path) {
  nifti_2_header header{};
  header.sizeof_hdr = 540;
  std::memcpy(header.magic, "n+2\0\r\n\032\n", 8);
  header.datatype = DT_FLOAT32;
  header.bitpix = 32;
  const int64_t dims[8] = {4, run.nx, run.ny, run.nz, run.nt, 1, 1, 1};
  for (int d = 0; d < 8; ++d) header.dim[d] = dims[d];
  const double pixdim[8] = {1, 2.0, 2.0, 2.5, 1.5, 0, 0, 0};
  for (int d = 0; d < 8; ++d) header.pixdim[d] = pixdim[d];
  header.vox_offset = 544;
  header.scl_slope = run.sclSlope;
  header.scl_inter = run.sclInter;
  header.sform_code = NIFTI_XFORM_SCANNER_ANAT;
  header.srow_x[0] = 2.0, header.srow_y[1] = 2.0, header.srow_z[2] = 2.5;
  header.xyzt_units = NIFTI_UNITS_MM | NIFTI_UNITS_SEC;
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(&header), sizeof header);
  out.write("\0\0\0\0", 4);
  for (double v : run.samples) {
    float f = static_cast<float>(v);
    out.write(reinterpret_cast<const char*>(&f), sizeof f);
  }
}

}  // namespace

void writeRun(const TestRun& run, const std::string& path) {
  if (run.nifti2) {
    ASSERT_EQ(run.datatype, DT_FLOAT32);
    writeNifti2Float(run, path);
    return;
  }
  const int64_t dims[8] = {4, run.nx, run.ny, run.nz, run.nt, 1, 1, 1};
  nifti_image* image = nifti_make_new_nim(dims, run.datatype, 1);
  ASSERT_NE(image, nullptr);
  for (std::size_t i = 0; i < run.samples.size(); ++i) {
    if (run.datatype == DT_INT16) {
      static_cast<int16_t*>(image->data)[i] = static_cast<int16_t>(run.samples[i]);
    } else if (run.datatype == DT_FLOAT32) {
      static_cast<float*>(image->data)[i] = static_cast<float>(run.samples[i]);
    } else if (run.datatype == DT_UINT8) {
      static_cast<uint8_t*>(image->data)[i] = static_cast<uint8_t>(run.samples[i]);
    }
  }
  image->pixdim[1] = image->dx = 2.0;
  image->pixdim[2] = image->dy = 2.0;
  image->pixdim[3] = image->dz = 2.5;
  image->pixdim[4] = image->dt = 1.5;
  if (run.withUnits) {
    image->xyz_units = NIFTI_UNITS_MM;
    image->time_units = NIFTI_UNITS_SEC;
  }
  image->scl_slope = run.sclSlope;
  image->scl_inter = run.sclInter;
  image->sform_code = NIFTI_XFORM_SCANNER_ANAT;
  nifti_dmat44 m{};
  double rows[4][4] = {
      {1.8, 0.3, 0.0, -10.0}, {-0.2, 1.9, 0.1, 20.0}, {0.0, 0.0, 2.5, -7.5}, {0, 0, 0, 1}};
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) m.m[r][c] = rows[r][c];
  image->sto_xyz = m;
  image->sto_ijk = nifti_dmat44_inverse(m);
  image->nifti_type = NIFTI_FTYPE_NIFTI1_1;
  ASSERT_EQ(nifti_set_filenames(image, path.c_str(), 0, 1), 0);
  nifti_image_write(image);
  nifti_image_free(image);
  ASSERT_TRUE(fs::exists(path)) << path;
}

ImagePtr loadImage(const std::string& path) {
  nifti_set_debug_level(0);
  return ImagePtr(nifti_image_read(path.c_str(), 1), nifti_image_free);
}

CommandResult runQuorvel(const std::vector<std::string>& arguments, const fs::path& workingFolder,
                         const std::string& shellPrefix, const fs::path& executable) {
  auto quoted = [](const std::string& text) {
    std::string out = "'";
    for (char c : text) out += (c == '\'') ? std::string("'\\''") : std::string(1, c);
    return out + "'";
  };
  const fs::path outFile = workingFolder / ".test-stdout";
  const fs::path errFile = workingFolder / ".test-stderr";
  std::string command = shellPrefix + "cd " + quoted(workingFolder.string()) +
                        " && XDG_CONFIG_HOME=" + quoted((workingFolder / ".config").string()) +
                        " " + quoted(executable.string());
  for (const std::string& argument : arguments) command += " " + quoted(argument);
  command += " >" + quoted(outFile.string()) + " 2>" + quoted(errFile.string());
  int status = std::system(command.c_str());
  CommandResult result;
  result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.out = readFile(outFile);
  result.err = readFile(errFile);
  fs::remove(outFile);
  fs::remove(errFile);
  return result;
}

bool killQuorvelAt(const std::string& step, const std::vector<std::string>& arguments,
                   const fs::path& workingFolder) {
  std::vector<std::string> texts = {QUORVEL_STOPPING_EXECUTABLE};
  texts.insert(texts.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  argv.reserve(texts.size() + 1);
  for (std::string& text : texts) argv.push_back(text.data());
  argv.push_back(nullptr);
  const std::string config = (workingFolder / ".config").string();
  const pid_t child = ::fork();
  if (child == 0) {
    if (::chdir(workingFolder.c_str()) != 0) ::_exit(127);
    ::setenv("QUORVEL_TEST_STOP_AT", step.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    ::dup2(null, 2);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  int status = 0;
  const bool stopped = ::waitpid(child, &status, WUNTRACED) == child && WIFSTOPPED(status);
  if (stopped) {
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
  }
  return stopped;
}

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void writeFile(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::string> folderEntries(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code error;
  if (!fs::is_directory(folder, error)) return names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace cli_test
