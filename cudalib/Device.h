#ifndef KYRA_CUDALIB_DEVICE_H
#define KYRA_CUDALIB_DEVICE_H

// The CUDA devices of this process: a table of their properties filled once
// on first use, capability questions about them, the printed device listing,
// and the scaled numbers (1.5 G, 250 m) that listing is written with.

#include <string>

namespace cudalib {

// A value with a unit prefix: binary steps of 1024 (EngineeringQuantity) or
// decimal steps of 1000 (SiQuantity).
class ScaledQuantity {
  public:
    ScaledQuantity(double value, char prefix) : value_(value), prefix_(prefix) {}
    double Value() const { return value_; }
    char Prefix() const { return prefix_; }
    // The value with `decimals` digits after the point, a blank, the prefix
    // and the unit; at most 127 characters.
    std::string ToString(const char* unit, unsigned decimals) const;

  protected:
    // Scales |value| by `step` until it lies in [1, step), starting at prefix
    // index `start` (0 blank, 1 K / m, ...), and restores the sign.
    static ScaledQuantity scale(double value, int start, double step);

  private:
    double value_;
    char prefix_;
};

class EngineeringQuantity : public ScaledQuantity {
  public:
    EngineeringQuantity(double value, int start) : ScaledQuantity(scale(value, start, 1024.0)) {}
};

class SiQuantity : public ScaledQuantity {
  public:
    SiQuantity(double value, int start) : ScaledQuantity(scale(value, start, 1000.0)) {}
};

inline ScaledQuantity GetEngrNotation(double value, int start) { return EngineeringQuantity(value, start); }
inline ScaledQuantity GetSiNotation(double value, int start) { return SiQuantity(value, start); }

// What the listing prints of one device.
struct DeviceSummary {
    std::string name;
    double totalMemory;   // bytes
    double usableMemory;  // bytes
    double clockKhz;
};

// The listing of the given devices ("Found 2 supported GPUs", one block per
// device, totals when there are several). Kept apart from the device queries
// so that its texts do not depend on the devices present.
std::string FormatDeviceInfo(const DeviceSummary* devices, int count, bool showUsable);

// Total - 15 % of it, in integer arithmetic as the listing prints it.
inline unsigned long long UsableMemSize(unsigned long long total) { return total - (total / 100) * 15; }

}  // namespace cudalib

#if defined(KYRA_WITH_CUDA)

#include <cuda_runtime_api.h>

namespace cudalib {

constexpr int kMaxDevices = 16;

struct DeviceRecord {
    int id = -1;
    std::string name;
    cudaDeviceProp properties{};
    bool isTesla = false;
    int major = 0;
    int minor = 0;
    int computeCapability = 0;
    int clockKhz = 0;  // no longer part of the properties record
};

// Why no CUDA device can be used here, in one line ("" when one can): the
// runtime cannot be asked (no driver, for one) or it reports no device.
// Raises nothing.
std::string MissingDeviceReason();

// Number of usable devices; a single emulation device counts as none.
// Raises when the runtime cannot be asked (no driver, for one).
int GetDeviceCount();
// The record of device i, filling the table on first use.
const DeviceRecord& GetDeviceRecord(int device);

unsigned long long GetDeviceMemSize(int device);
unsigned long long GetUsableMemSize(int device);
unsigned long long GetDeviceSharedMemSize(int device);
unsigned long long GetDeviceConstantMemSize(int device);
int GetDeviceStreamProcessorCount(int device);
std::string GetDeviceName(int device);
bool HasAsynchronousExecute(int device);
bool HasHostMemoryMap(int device);
bool HasConcurrentKernels(int device);
bool HasUnifiedAddressing(int device);
bool HasTccDriver(int device);
void GetComputeCapability(int device, int& major, int& minor, int& combined);

bool HasDoublePrecision(int device);
bool HasWarpVote(int device);
bool HasAtomicFunctionsGlobal(int device);
bool HasAtomicFloatFunctions(int device);
bool HasAtomicFunctionsShared(int device);
bool HasCusparseSupport(int device);
bool HasGoodDoublePerformance(int device);

bool IsKnownDevice(const std::string& name);
bool IsComputeDevice(int device);
bool IsGamingDevice(int device);
inline bool IsKnownSeries(int series) { return series >= 8 && series < 14; }

bool IsValidDeviceId(int device);
int GetExecutingDevice();
void SetDevice(int device);

// Of the executing device: maximum grid size and block dimensions.
void GetMaxGrid(int dims[3]);
void GetMaxThreads(int dims[3]);

bool MeetsDriverRequirements();
unsigned long long GetTotalMemSize();
unsigned long long GetAvailableMemSize();
int GetDeviceMostFlops();
int GetDeviceMostMem();
bool HasPeerTransfer(int a, int b);

std::string GetDeviceMemSizePrint(int device);
std::string GetDeviceInfoPrint(bool showUsable);

// Makes `device` current for its lifetime and restores the device that was
// current before (statuses ignored on the way back, as in every destructor).
class ScopedDevice {
  public:
    explicit ScopedDevice(int device);
    ~ScopedDevice();
    ScopedDevice(const ScopedDevice&) = delete;
    ScopedDevice& operator=(const ScopedDevice&) = delete;

  private:
    int previous_ = -1;
    bool switched_ = false;
};

}  // namespace cudalib

#endif
#endif
