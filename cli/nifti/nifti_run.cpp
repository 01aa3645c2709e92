#include "cli/nifti/nifti_run.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <exception>
#include <filesystem>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <sstream>
#include <system_error>

#include "cli/base/cli_error.h"
#include "cli/base/number_text.h"
#include "cli/base/thread_shares.h"
#include "cli/nifti/block_pipeline.h"
#include "cli/nifti/gzip_reader.h"
#include "cli/nifti/header_extensions.h"
#include "cli/nifti/memory_need.h"
#include "cli/nifti/nifti_header.h"
#include "cli/nifti/nifti_header_image.h"
#include "cli/nifti/run_samples.h"
#include "cli/nifti/time_major_layout.h"

namespace quorvel::cli {
namespace {

namespace fs = std::filesystem;

bool endsWithNoCase(const std::string& text, const std::string& ending) {
  if (text.size() < ending.size()) return false;
  return std::equal(ending.rbegin(), ending.rend(), text.rbegin(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
  });
}

class OpenFile {
 public:
  explicit OpenFile(int fd) : fd_(fd) {}
  ~OpenFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_;
};

// Reads `count` bytes at `offset`; a file that ends first is truncated.
void readAt(int fd, std::uint64_t offset, unsigned char* into, std::size_t count,
            const std::string& path) {
  while (count > 0) {
    const ssize_t got = ::pread(fd, into, count, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) throw inputError(path + ": cannot be read (" + std::strerror(errno) + ")");
    if (got == 0) throw inputError(path + ": the image data are truncated (the file ended early)");
    into += got;
    offset += static_cast<std::uint64_t>(got);
    count -= static_cast<std::size_t>(got);
  }
}

// Volumes decompressed at a time from a .nii.gz into each of `buffers`
// buffers: up to 64, which fills a transpose tile so that each time course
// gets whole cache lines, but together no more than a sixteenth of the
// run's bytes (at least 8 MiB), so that the blocks stay a small part of
// the memory the run takes.
std::size_t volumesPerBlock(const NiftiHeader& header, std::size_t buffers) {
  const std::size_t volumeBytes = header.voxelCount() * header.bytesPerSample();
  const std::size_t runBytes = volumeBytes * static_cast<std::size_t>(header.volumes());
  const std::size_t budget = std::max<std::size_t>(runBytes / 16, std::size_t{8} << 20) / buffers;
  const std::size_t volumes = std::clamp<std::size_t>(budget / volumeBytes, 1, 64);
  return std::min(volumes, static_cast<std::size_t>(header.volumes()));
}

// Voxels read at a time from a .nii: their samples of every volume take
// about 8 MiB (a small part of the memory the run takes, and near the
// cache), in whole transpose tiles.
std::size_t voxelsPerChunk(const NiftiHeader& header) {
  const std::size_t courseBytes =
      static_cast<std::size_t>(header.volumes()) * header.bytesPerSample();
  const std::size_t voxels = (std::size_t{8} << 20) / courseBytes / kTileVoxels * kTileVoxels;
  return std::max(voxels, kTileVoxels);
}

// Bytes between volumes in a read chunk beyond the chunk's own samples.
constexpr std::size_t kRowPadding = std::size_t{3} * 64;

// Bytes of a read chunk at most (beyond a single volume's row): room for the
// 8 MiB of samples voxelsPerChunk() aims at and the padding of their rows.
constexpr std::size_t kChunkBudget = std::size_t{16} << 20;

// The first failure of reads shared between threads: the one of the
// lowest chunk, which is the one a single thread would have met first.
class FirstFailure {
 public:
  // Whether chunk `index` still matters: no chunk before it failed.
  bool worthReading(std::size_t index) const { return index < failedChunk_.load(); }
  void record(std::size_t index, std::exception_ptr error) {
    std::lock_guard<std::mutex> hold(mutex_);
    if (index >= failedChunk_.load()) return;
    failedChunk_ = index;
    error_ = std::move(error);
  }
  void rethrow() const {
    if (error_) std::rethrow_exception(error_);
  }

 private:
  std::atomic<std::size_t> failedChunk_{std::numeric_limits<std::size_t>::max()};
  std::mutex mutex_;
  std::exception_ptr error_;
};

RunSamples readUncompressed(int fd, std::uint64_t fileSize, NiftiHeader& header,
                            const std::string& path, unsigned threads) {
  unsigned char start[kNiftiHeaderMaxSize];
  const std::size_t startSize =
      static_cast<std::size_t>(std::min<std::uint64_t>(fileSize, sizeof start));
  readAt(fd, 0, start, startSize, path);
  header = parseNiftiHeader(start, startSize, path);
  checkSamplesFit(header, fileSize, path);
  checkHeaderExtensions(
      header,
      [&](std::uint64_t at, unsigned char* into, std::size_t count) {
        readAt(fd, at, into, count, path);
      },
      path);

  // The run is read a chunk of voxels at a time, each chunk's samples of
  // every volume at once, so that each time course is written whole while
  // its part of the host's layout is in cache, rather than a piece per
  // block of volumes with a round trip to memory for each piece.
  RunSampleFiller filler(header, path);
  const std::size_t nt = static_cast<std::size_t>(header.volumes());
  const std::size_t sampleBytes = header.bytesPerSample();
  const std::size_t voxels = header.voxelCount();
  const std::size_t volumeBytes = voxels * sampleBytes;
  const std::size_t chunkVoxels =
      std::min(voxelsPerChunk(header), std::max<std::size_t>(voxels, 1));
  const std::size_t chunks = (voxels + chunkVoxels - 1) / chunkVoxels;
  // Volumes sit in the chunk an odd number of cache lines apart: pieces
  // 2^k bytes apart would share cache sets and evict each other while the
  // transpose reads a little of each in turn. A chunk of every voxel is a
  // run of whole volumes, which the file holds in one piece and is read so.
  const bool wholeVolumes = chunks == 1;
  const std::size_t rowBytes =
      wholeVolumes ? volumeBytes : (chunkVoxels * sampleBytes + 63) / 64 * 64 + kRowPadding;
  // A chunk holds its voxels' volumes a pass at a time, in volume order: a
  // run of very many volumes of few voxels would otherwise need a chunk
  // many times the size of its samples (a whole row per sample).
  const std::size_t passVolumes = std::clamp<std::size_t>(kChunkBudget / rowBytes, 1, nt);

  // Threads take turns at the chunks. Each chunk's samples are a piece of
  // the host's layout of their own, so the threads share the copying, the
  // transpose and the first touch of that memory, which on some machines
  // costs as much as the rest together, without any change to the result.
  // Each thread holds a chunk of its own: together no more than a
  // sixteenth of the run's bytes (at least two chunks), however many
  // processors a machine offers.
  const std::size_t chunkBytes = passVolumes * rowBytes;
  const std::size_t runBytes = volumeBytes * nt;
  const std::size_t affordable = std::max<std::size_t>(2, runBytes / 16 / chunkBytes);
  const unsigned shares = static_cast<unsigned>(
      std::max<std::size_t>(1, std::min<std::size_t>({threads, chunks, affordable})));
  std::vector<SampleTally> tallies(shares);
  FirstFailure failure;
  runShares(shares, [&](unsigned share) {
    std::size_t first = share;
    try {
      std::unique_ptr<unsigned char[]> chunk(new unsigned char[chunkBytes]);
      const std::uint64_t samplesStart = static_cast<std::uint64_t>(header.voxOffset);
      for (; first < chunks && failure.worthReading(first); first += shares) {
        const std::size_t voxel0 = first * chunkVoxels;
        const std::size_t count = std::min(chunkVoxels, voxels - voxel0);
        for (std::size_t v0 = 0; v0 < nt; v0 += passVolumes) {
          const std::size_t pass = std::min(passVolumes, nt - v0);
          if (wholeVolumes) {
            readAt(fd, samplesStart + v0 * volumeBytes, chunk.get(), pass * volumeBytes, path);
          }
          for (std::size_t v = 0; v < pass && !wholeVolumes; ++v) {
            readAt(fd, samplesStart + (v0 + v) * volumeBytes + voxel0 * sampleBytes,
                   chunk.get() + v * rowBytes, count * sampleBytes, path);
          }
          filler.placeBlock(chunk.get(), {v0, pass, voxel0, count, rowBytes}, tallies[share]);
        }
      }
    } catch (...) {
      failure.record(first, std::current_exception());
    }
  });
  failure.rethrow();
  for (const SampleTally& tally : tallies) filler.addTally(tally);
  return filler.take();
}

RunSamples readCompressed(int fd, std::uint64_t fileSize, NiftiHeader& header,
                          const std::string& path, unsigned threads) {
  // The run is decompressed as it is read, block of volumes by block, into
  // the host's layout: neither the compressed file nor a decompressed copy
  // of the run is held whole.
  GzipReader gzip(fd, fileSize, path);
  unsigned char start[kNiftiHeaderMaxSize];
  const std::size_t startSize = gzip.read(start, sizeof start);
  header = parseNiftiHeader(start, startSize, path);
  const std::uint64_t wanted = static_cast<std::uint64_t>(header.voxOffset) + header.dataBytes();
  // Deflate shrinks data at most about 1032 times; a header asking for more
  // than that describes samples the file cannot hold.
  if (wanted / 1032 > fileSize) {
    throw inputError(path + ": the image data are truncated (the header describes " +
                     std::to_string(wanted) + " bytes; " + std::to_string(fileSize) +
                     " compressed bytes cannot hold them)");
  }
  // Data that end early: everything is decompressed and checked first, so
  // that damage is reported as such, then the size is.
  auto endedEarly = [&] {
    gzip.finish();
    checkSamplesFit(header, gzip.produced(), path);
    throw inputError(path + ": the image data are truncated");
  };
  // The stream is read forward only: what the header's first piece holds
  // comes from it, the rest from the stream, skipping what lies between.
  std::size_t streamed = startSize;
  checkHeaderExtensions(
      header,
      [&](std::uint64_t at, unsigned char* into, std::size_t count) {
        for (; count > 0 && at < startSize; --count) *into++ = start[at++];
        if (count == 0) return;
        if (at > streamed && gzip.read(nullptr, at - streamed) < at - streamed) endedEarly();
        if (gzip.read(into, count) < count) endedEarly();
        streamed = at + count;
      },
      path);
  const std::size_t offset = static_cast<std::size_t>(header.voxOffset);
  if (offset > streamed && gzip.read(nullptr, offset - streamed) < offset - streamed) {
    endedEarly();
  }

  RunSampleFiller filler(header, path);
  const std::size_t nt = static_cast<std::size_t>(header.volumes());
  const std::size_t voxels = header.voxelCount();
  const std::size_t volumeBytes = voxels * header.bytesPerSample();
  // With a second thread, one block is transposed into the host's layout
  // while the next is decompressed: two buffers of half the size.
  const bool twoThreads = threads > 1;
  const std::size_t buffers = twoThreads ? 2 : 1;
  const std::size_t perBlock = volumesPerBlock(header, buffers);
  SampleTally tally;
  BlockPipeline pipeline(
      buffers, perBlock * volumeBytes,
      [&](const unsigned char* block, std::size_t first, std::size_t count) {
        filler.placeBlock(block, {first, count, 0, voxels, volumeBytes}, tally);
      },
      twoThreads);
  // Sample bytes that came with the header's first piece.
  std::size_t early = offset < startSize ? startSize - offset : 0;
  const unsigned char* earlyBytes = start + std::min(offset, startSize);
  for (std::size_t first = 0; first < nt; first += perBlock) {
    const std::size_t count = std::min(perBlock, nt - first);
    const std::size_t bytes = count * volumeBytes;
    // While both buffers wait to be placed, the pages of the samples are
    // faulted in here, beside the placing that would fault them alone.
    unsigned char* block = pipeline.emptyBuffer([&filler] { return filler.prefaultSome(); });
    const std::size_t copied = std::min(early, bytes);
    std::memcpy(block, earlyBytes, copied);
    earlyBytes += copied;
    early -= copied;
    if (gzip.read(block + copied, bytes - copied) < bytes - copied) endedEarly();
    pipeline.submit(block, first, count);
  }
  pipeline.finish();
  gzip.finish();
  filler.addTally(tally);
  return filler.take();
}

// "1 of its 60 samples is" / "2 of its 60 samples are".
std::string samplesOf(std::uint64_t count, std::uint64_t total) {
  return std::to_string(count) + " of its " + std::to_string(total) +
         (count == 1 ? " samples is" : " samples are");
}

std::vector<std::string> warningsOf(const NiftiHeader& header, const RunSamples& samples) {
  std::vector<std::string> warnings = headerRepairs(header);
  const std::uint64_t total = static_cast<std::uint64_t>(header.voxelCount()) *
                              static_cast<std::uint64_t>(header.volumes());
  const char* consequence = "; the voxels holding them get map values and counts that mean nothing";
  if (samples.nonFinite != 0) {
    warnings.push_back(samplesOf(samples.nonFinite, total) +
                       " NaN or infinite; they are analysed as they are" + consequence);
  }
  if (samples.overflowed != 0) {
    if (header.hasScaling()) {
      warnings.push_back("scl_slope " + numberText(header.sclSlope) + " and scl_inter " +
                         numberText(header.usableInter()) + " take " +
                         std::to_string(samples.overflowed) +
                         " samples beyond the range of 32-bit floats, where they became "
                         "infinite" +
                         consequence);
    } else {
      warnings.push_back(samplesOf(samples.overflowed, total) +
                         " beyond the range of 32-bit floats and became infinite" + consequence);
    }
  }
  if (header.volumes() < 4) {
    warnings.push_back("only " + std::to_string(header.volumes()) +
                       " volumes: the lag 1+2 autocorrelation needs at least 4, so its map "
                       "is NaN in every voxel above the background level");
  }
  return warnings;
}

}  // namespace

void silenceNiftiLibrary() { nifti_set_debug_level(0); }

bool hasNiftiExtension(const std::string& path) {
  return endsWithNoCase(path, ".nii") || endsWithNoCase(path, ".nii.gz");
}

std::string niftiStem(const std::string& path) {
  std::string name = fs::path(path).filename().string();
  for (const char* extension : {".nii.gz", ".nii"}) {
    if (endsWithNoCase(name, extension)) {
      return name.substr(0, name.size() - std::strlen(extension));
    }
  }
  return fs::path(name).stem().string();
}

NiftiRun readNiftiRun(const std::string& path, unsigned threads) {
  std::error_code error;
  fs::file_status status = fs::status(path, error);
  if (!fs::exists(status)) {
    throw inputError(path + ": no such file");
  }
  if (fs::is_directory(status)) {
    throw inputError(path + ": is a folder, not a NIfTI file");
  }
  if (!hasNiftiExtension(path)) {
    throw inputError(path + ": not a NIfTI file (the name must end in .nii or .nii.gz)");
  }
  const OpenFile file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (file.fd() < 0) {
    throw inputError(path + ": cannot be opened for reading (" + std::strerror(errno) + ")");
  }
  struct stat facts;
  if (::fstat(file.fd(), &facts) != 0 || !S_ISREG(facts.st_mode)) {
    throw inputError(path + ": not a regular file (a pipe or device cannot be a run)");
  }
  const std::uint64_t size = static_cast<std::uint64_t>(facts.st_size);

  NiftiHeader header;
  RunSamples samples;
  try {
    samples = endsWithNoCase(path, ".gz")
                  ? readCompressed(file.fd(), size, header, path, threads)
                  : readUncompressed(file.fd(), size, header, path, threads);
  } catch (const std::bad_alloc&) {
    if (header.voxelCount() == 0) throw;  // not as far as the header
    throw notEnoughMemoryFor(path, header.voxelCount(), static_cast<std::size_t>(header.volumes()));
  }
  NiftiRun run;
  run.path = path;
  run.nx = static_cast<std::int32_t>(header.dim[1]);
  run.ny = static_cast<std::int32_t>(header.dim[2]);
  run.nz = static_cast<std::int32_t>(header.dim[3]);
  run.nt = header.volumes();
  run.isInt16 = samples.isInt16;
  run.intSamples = std::move(samples.intSamples);
  run.floatSamples = std::move(samples.floatSamples);
  run.voxelMeans = std::move(samples.voxelMeans);
  run.header = imageOfHeader(header);
  for (const std::string& warning : warningsOf(header, samples)) {
    run.warnings.push_back(path + ": " + warning);
  }
  return run;
}

}  // namespace quorvel::cli
