#include "cudalib/Device.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace cudalib {

namespace {
// Prefixes below one, read from the middle outwards, then those above one.
constexpr const char* kSmallPrefixes = " munpfae";
constexpr const char* kLargePrefixes = " KMGTPEH";
constexpr int kLastPrefix = 7;

// printf into a std::string.
template <typename... Args>
std::string format(const char* pattern, Args... args) {
    char text[128];
    std::snprintf(text, sizeof text, pattern, args...);
    return text;
}
}  // namespace

ScaledQuantity ScaledQuantity::scale(double value, int start, double step) {
    if (value == 0.0) return ScaledQuantity(0.0, kLargePrefixes[start]);
    double a = std::fabs(value);
    int index = start;
    const char* prefixes = kLargePrefixes;
    if (a >= 1.0) {
        for (; index < kLastPrefix && a >= step; ++index) a /= step;
    } else {
        prefixes = kSmallPrefixes;
        for (; index < kLastPrefix && a < 1.0; ++index) a *= step;
    }
    return ScaledQuantity(value < 0 ? -a : a, prefixes[index]);
}

std::string ScaledQuantity::ToString(const char* unit, unsigned decimals) const {
    const std::string number = format(format("%%.%uf", decimals).c_str(), value_);
    return number + format(" %c", prefix_) + format("%s", unit);
}

std::string FormatDeviceInfo(const DeviceSummary* devices, int count, bool showUsable) {
    std::string text = format("Found %d supported GPU%s\n", count, count < 2 ? "" : "s");
    double total = 0.0;
    for (int i = 0; i < count; ++i) {
        const DeviceSummary& device = devices[i];
        if (count != 1) text += format("Device %d\n", i);
        text += "\tName: " + device.name + "\n";
        const ScaledQuantity memory = GetEngrNotation(device.totalMemory, 0);
        text += format("\tMemory: %.0f %cB", memory.Value(), memory.Prefix());
        if (showUsable) {
            const ScaledQuantity usable = GetEngrNotation(device.usableMemory, 0);
            text += format("  (%2.0f %cB Usable)", usable.Value(), usable.Prefix());
        }
        const ScaledQuantity clock = GetEngrNotation(device.clockKhz, 1);
        text += format("\n\tClock: %2.2f %cHz\n", clock.Value(), clock.Prefix());
        total += device.totalMemory;
    }
    if (count > 1) {
        const ScaledQuantity memory = GetEngrNotation(total, 0);
        text += format("Totals for %d devices:\n", count);
        text += format("\tMemory: %2.0f %cB\n", memory.Value(), memory.Prefix());
    }
    return text;
}

}  // namespace cudalib

#if defined(KYRA_WITH_CUDA)

#include <mutex>

#include "cudalib/CudaException.h"
#include "cudalib/ErrorChecker.h"

namespace cudalib {

namespace {
constexpr int kEmulationVersion = 9999;
constexpr int kRequiredVersion = 5000;

struct DeviceTable {
    DeviceRecord records[kMaxDevices];
    int count = 0;
};

DeviceTable& table() {
    static DeviceTable instance;
    return instance;
}

std::once_flag tableBuilt;

// Fills the records of the first (at most 16) devices. A failure leaves the
// once-flag unset, so the next query tries again.
void QueryDeviceProperties() {
    std::call_once(tableBuilt, [] {
        DeviceTable& t = table();
        const int count = GetDeviceCount();
        const int kept = count < kMaxDevices ? count : kMaxDevices;
        for (int i = 0; i < kept; ++i) {
            DeviceRecord& record = t.records[i];
            CudaErrorChecker(cudaGetDeviceProperties(&record.properties, i));
            CudaErrorChecker(cudaDeviceGetAttribute(&record.clockKhz, cudaDevAttrClockRate, i));
            record.id = i;
            record.name = record.properties.name;
            record.isTesla = record.name.find("Tesla") != std::string::npos;
            record.major = record.properties.major;
            record.minor = record.properties.minor;
            record.computeCapability = record.major * 10 + record.minor;
        }
        t.count = kept;
    });
}

const cudaDeviceProp& props(int device) { return GetDeviceRecord(device).properties; }

bool nameContains(int device, const char* word) {
    return GetDeviceRecord(device).name.find(word) != std::string::npos;
}
}  // namespace

std::string MissingDeviceReason() {
    int count = 0;  // left unwritten when the query fails
    const cudaError_t status = cudaGetDeviceCount(&count);
    if (status != cudaSuccess) return std::string("no usable CUDA device: ") + cudaGetErrorString(status);
    return count == 0 ? "no CUDA device present" : "";
}

int GetDeviceCount() {
    int count = 0;
    CudaErrorChecker(cudaGetDeviceCount(&count));
    if (count == 1) {
        cudaDeviceProp p{};
        CudaErrorChecker(cudaGetDeviceProperties(&p, 0));
        const bool emulation = p.major == kEmulationVersion && p.minor == kEmulationVersion;
        if (p.major < 1 || emulation) count = 0;
    }
    return count;
}

const DeviceRecord& GetDeviceRecord(int device) {
    QueryDeviceProperties();
    if (device < 0 || device >= table().count) throw CudaRuntimeException(cudaErrorInvalidDevice);
    return table().records[device];
}

unsigned long long GetDeviceMemSize(int device) { return props(device).totalGlobalMem; }
unsigned long long GetUsableMemSize(int device) { return UsableMemSize(GetDeviceMemSize(device)); }
unsigned long long GetDeviceSharedMemSize(int device) { return props(device).sharedMemPerBlock; }
unsigned long long GetDeviceConstantMemSize(int device) { return props(device).totalConstMem; }
int GetDeviceStreamProcessorCount(int device) { return props(device).multiProcessorCount * 8; }
std::string GetDeviceName(int device) { return GetDeviceRecord(device).name; }
// Copy engines beside the compute engine are what the old overlap flag meant.
bool HasAsynchronousExecute(int device) { return props(device).asyncEngineCount > 0; }
bool HasHostMemoryMap(int device) { return props(device).canMapHostMemory != 0; }
bool HasConcurrentKernels(int device) { return props(device).concurrentKernels != 0; }
bool HasUnifiedAddressing(int device) { return props(device).unifiedAddressing != 0; }
bool HasTccDriver(int device) { return props(device).tccDriver != 0; }

void GetComputeCapability(int device, int& major, int& minor, int& combined) {
    const DeviceRecord& record = GetDeviceRecord(device);
    major = record.major;
    minor = record.minor;
    combined = record.computeCapability;
}

namespace {
int capability(int device) { return GetDeviceRecord(device).computeCapability; }
}  // namespace

bool HasDoublePrecision(int device) { return capability(device) >= 13; }
bool HasWarpVote(int device) { return capability(device) > 11; }
bool HasAtomicFunctionsGlobal(int device) { return capability(device) > 10; }
bool HasAtomicFloatFunctions(int device) { return capability(device) > 19; }
bool HasAtomicFunctionsShared(int device) { return capability(device) > 11; }
bool HasCusparseSupport(int device) { return HasAtomicFunctionsShared(device) && HasDoublePrecision(device); }
bool HasGoodDoublePerformance(int device) {
    const int c = capability(device);
    return (c == 20 || c == 30 || c == 35) && !IsGamingDevice(device);
}

bool IsKnownDevice(const std::string& name) {
    for (const char* family : {"GeForce", "Quadro", "Tesla"}) {
        if (name.find(family) != std::string::npos) return true;
    }
    return false;
}
bool IsComputeDevice(int device) { return nameContains(device, "Tesla"); }
bool IsGamingDevice(int device) { return nameContains(device, "GeForce"); }

bool IsValidDeviceId(int device) { return device >= 0 && device < GetDeviceCount(); }

int GetExecutingDevice() {
    int device = 0;
    CudaErrorChecker(cudaGetDevice(&device));
    return device;
}

void SetDevice(int device) { CudaErrorChecker(cudaSetDevice(device)); }

void GetMaxGrid(int dims[3]) {
    const cudaDeviceProp& p = props(GetExecutingDevice());
    for (int i = 0; i < 3; ++i) dims[i] = p.maxGridSize[i];
}

void GetMaxThreads(int dims[3]) {
    const cudaDeviceProp& p = props(GetExecutingDevice());
    for (int i = 0; i < 3; ++i) dims[i] = p.maxThreadsDim[i];
}

bool MeetsDriverRequirements() {
    int runtime = 0;
    int driver = 0;
    CudaErrorChecker(cudaRuntimeGetVersion(&runtime));
    CudaErrorChecker(cudaDriverGetVersion(&driver));
    return runtime >= kRequiredVersion && driver >= kRequiredVersion && driver >= runtime;
}

unsigned long long GetTotalMemSize() {
    unsigned long long total = 0;
    const int count = GetDeviceCount();
    for (int i = 0; i < count && i < kMaxDevices; ++i) total += GetDeviceMemSize(i);
    return total;
}

unsigned long long GetAvailableMemSize() {
    size_t free = 0;
    size_t total = 0;
    CudaErrorChecker(cudaMemGetInfo(&free, &total));
    return free;
}

namespace {
// The first device with the largest key; -1 without devices.
template <typename Key>
int firstWithLargest(Key key) {
    QueryDeviceProperties();
    int best = -1;
    for (int i = 0; i < table().count; ++i) {
        if (best < 0 || key(i) > key(best)) best = i;
    }
    return best;
}
}  // namespace

int GetDeviceMostFlops() {
    return firstWithLargest([](int i) {
        const DeviceRecord& r = GetDeviceRecord(i);
        return static_cast<long long>(r.properties.multiProcessorCount) * r.clockKhz;
    });
}

int GetDeviceMostMem() {
    return firstWithLargest([](int i) { return GetDeviceMemSize(i); });
}

// Asked both ways for completeness; peer copies are never used.
bool HasPeerTransfer(int a, int b) {
    int ab = 0;
    int ba = 0;
    CudaErrorChecker(cudaDeviceCanAccessPeer(&ab, a, b));
    CudaErrorChecker(cudaDeviceCanAccessPeer(&ba, b, a));
    return false;
}

std::string GetDeviceMemSizePrint(int device) {
    const ScaledQuantity memory = GetEngrNotation(static_cast<double>(GetDeviceMemSize(device)), 0);
    return format("%.0f %cB", memory.Value(), memory.Prefix());
}

std::string GetDeviceInfoPrint(bool showUsable) {
    QueryDeviceProperties();
    std::vector<DeviceSummary> devices;
    for (int i = 0; i < table().count; ++i) {
        const DeviceRecord& r = table().records[i];
        devices.push_back({r.name, static_cast<double>(r.properties.totalGlobalMem),
                           static_cast<double>(GetUsableMemSize(i)), static_cast<double>(r.clockKhz)});
    }
    return FormatDeviceInfo(devices.data(), static_cast<int>(devices.size()), showUsable);
}

ScopedDevice::ScopedDevice(int device) {
    if (cudaGetDevice(&previous_) != cudaSuccess) return;
    switched_ = previous_ != device && cudaSetDevice(device) == cudaSuccess;
}

ScopedDevice::~ScopedDevice() {
    if (switched_) cudaSetDevice(previous_);
}

}  // namespace cudalib

#endif
