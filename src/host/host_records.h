// Fixed-layout records that the plug-in and the Noravia host exchange.
//
// The layout is shared with the host byte for byte: little-endian, 4-byte
// ints and floats, and the same offsets on 32-bit and 64-bit builds. The
// plug-in names only the fields it reads or writes; every other byte is the
// host's and is handed back exactly as the host filled it.
//
// What the host makes of the four NRVMPRecord fields at offsets 40, 76, 80
// and 92 is not known: they are named by their offset and the use the
// plug-in makes of them (display settings of the TSNR map, and the one map
// of a VTC that is selected).
#ifndef QUORVEL_HOST_HOST_RECORDS_H_
#define QUORVEL_HOST_HOST_RECORDS_H_

#include <cstddef>
#include <cstdint>

// Sample type code of a VTC whose samples are 32-bit floats; any other code
// means signed 16-bit integers.
constexpr std::int32_t kVTCDataTypeFloat = 2;

// Header of the VTC linked to the current VMR (848 bytes).
struct VTCHeader {
  unsigned char hostBytes0[4];
  std::int32_t nrOfVolumes;  // t: length of every voxel's time course
  unsigned char hostBytes8[12];
  std::int32_t xStart;  // bounding box of the VTC in the VMR
  std::int32_t xEnd;
  std::int32_t yStart;
  std::int32_t yEnd;
  std::int32_t zStart;
  std::int32_t zEnd;
  std::int32_t resolution;  // edge of one VTC voxel, in bounding-box units
  std::int32_t dataType;    // kVTCDataTypeFloat or a 16-bit code
  unsigned char hostBytes52[4];
  char filePath[792];  // NUL-terminated path of the VTC file
};

// Describes the set of maps of the current VMR (376 bytes).
struct NRVMPsHeader {
  std::int32_t nrOfMaps;  // the newest map has index nrOfMaps - 1
  unsigned char hostBytes4[340];
  std::int32_t xStart;  // bounding box of the maps
  std::int32_t xEnd;
  std::int32_t yStart;
  std::int32_t yEnd;
  std::int32_t zStart;
  std::int32_t zEnd;
  std::int32_t resolution;
  unsigned char hostBytes372[4];
};

// Parameters of one map (96 bytes). On a 64-bit build the name pointer is 8
// bytes wide and covers bytes 4 to 7, which a 32-bit build leaves to the host.
struct NRVMPRecord {
  char* name;  // the host's name storage, at least kMapNameStorage bytes
#if UINTPTR_MAX == 0xFFFFFFFFu
  unsigned char hostBytes4[4];
#endif
  float lowerThreshold;
  float upperThreshold;
  unsigned char hostBytes16[24];
  std::int32_t displayOption40;  // set to 1 on the TSNR map
  unsigned char hostBytes44[32];
  std::int32_t displayOption76;  // set to 0 on the TSNR map
  float displayValue80;          // set to 0.8 on the TSNR map
  unsigned char hostBytes84[8];
  std::int32_t selectedMap92;  // set to 1 on exactly one map of a VTC
};

// Bytes of map name storage the host provides: 100 characters and a NUL.
constexpr std::size_t kMapNameStorage = 101;

static_assert(sizeof(float) == 4 && sizeof(std::int32_t) == 4, "4-byte fields");

static_assert(sizeof(VTCHeader) == 848, "VTCHeader is 848 bytes");
static_assert(offsetof(VTCHeader, nrOfVolumes) == 4, "VTCHeader layout");
static_assert(offsetof(VTCHeader, xStart) == 20, "VTCHeader layout");
static_assert(offsetof(VTCHeader, xEnd) == 24, "VTCHeader layout");
static_assert(offsetof(VTCHeader, yStart) == 28, "VTCHeader layout");
static_assert(offsetof(VTCHeader, yEnd) == 32, "VTCHeader layout");
static_assert(offsetof(VTCHeader, zStart) == 36, "VTCHeader layout");
static_assert(offsetof(VTCHeader, zEnd) == 40, "VTCHeader layout");
static_assert(offsetof(VTCHeader, resolution) == 44, "VTCHeader layout");
static_assert(offsetof(VTCHeader, dataType) == 48, "VTCHeader layout");
static_assert(offsetof(VTCHeader, filePath) == 56, "VTCHeader layout");

static_assert(sizeof(NRVMPsHeader) == 376, "NRVMPsHeader is 376 bytes");
static_assert(offsetof(NRVMPsHeader, nrOfMaps) == 0, "NRVMPsHeader layout");
static_assert(offsetof(NRVMPsHeader, xStart) == 344, "NRVMPsHeader layout");
static_assert(offsetof(NRVMPsHeader, xEnd) == 348, "NRVMPsHeader layout");
static_assert(offsetof(NRVMPsHeader, yStart) == 352, "NRVMPsHeader layout");
static_assert(offsetof(NRVMPsHeader, yEnd) == 356, "NRVMPsHeader layout");
static_assert(offsetof(NRVMPsHeader, zStart) == 360, "NRVMPsHeader layout");
static_assert(offsetof(NRVMPsHeader, zEnd) == 364, "NRVMPsHeader layout");
static_assert(offsetof(NRVMPsHeader, resolution) == 368, "NRVMPsHeader layout");

static_assert(sizeof(NRVMPRecord) == 96, "NRVMPRecord is 96 bytes");
static_assert(offsetof(NRVMPRecord, name) == 0, "NRVMPRecord layout");
static_assert(offsetof(NRVMPRecord, lowerThreshold) == 8, "NRVMPRecord layout");
static_assert(offsetof(NRVMPRecord, upperThreshold) == 12,
              "NRVMPRecord layout");
static_assert(offsetof(NRVMPRecord, displayOption40) == 40,
              "NRVMPRecord layout");
static_assert(offsetof(NRVMPRecord, displayOption76) == 76,
              "NRVMPRecord layout");
static_assert(offsetof(NRVMPRecord, displayValue80) == 80,
              "NRVMPRecord layout");
static_assert(offsetof(NRVMPRecord, selectedMap92) == 92, "NRVMPRecord layout");

#endif  // QUORVEL_HOST_HOST_RECORDS_H_
