// libhidgate-sim.so: a simulated keyboard behind the module interface (see hidgate.h for its options).

#include "HandleTable.h"
#include "KeyboardProtocol.h"
#include "ModuleCommon.h"
#include "SimState.h"
#include "hidgate.h"
#include "platform/AtomicFile.h"
#include "platform/UniqueFd.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <span>
#include <string>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace hidgate {
namespace {

constexpr unsigned VendorUsagePage = 0xFF00;
constexpr unsigned VendorUsage = 1;
constexpr int MaxKeyboards = 8;
constexpr int MaxDelayMs = 10000;

using CollectionShape = kavrel::VendorCollection;
constexpr const auto& Collections = kavrel::VendorCollections;

struct FailRule {
    bool always = false;
    long count = 0;
    int error = EIO;
};

struct SimOptions {
    std::array<bool, Collections.size()> dropped{};
    std::array<FailRule, Collections.size()> failures{};
    std::string product = "Kavrel Gaming Keyboard";
    int keyboards = 1;
    int delayMs = 0;
    bool unplugged = false;
};

// One open collection of one simulated keyboard.
struct SimCollection {
    CollectionShape shape;
    std::size_t index = 0;
    std::string product;
    std::string statePath;
    std::mutex failMutex; // guards the fields below
    int delayMs = 0;
    FailRule failure;
    bool unplugged = false;
    std::string optionsFileText; // the options file as last seen
};

HandleTable<SimCollection>& handles()
{
    static HandleTable<SimCollection> table;
    return table;
}

int collectionIndex(std::string_view name)
{
    for (std::size_t i = 0; i < Collections.size(); ++i)
        if (name == Collections[i].name)
            return int(i);
    return -1;
}

bool parseInt(std::string_view text, long low, long high, long& value)
{
    const auto number = detail::parseNumber(text);
    if (!number || *number < low || *number > high)
        return false;
    value = *number;
    return true;
}

// fail=C:N[:E] with N a count or "always".
void applyFail(SimOptions& options, std::string_view value)
{
    const auto fields = std::string_view(value);
    const auto colon = fields.find(':');
    if (colon == std::string_view::npos)
        return;
    const int index = collectionIndex(fields.substr(0, colon));
    if (index < 0)
        return;
    std::string_view rest = fields.substr(colon + 1);
    const auto colon2 = rest.find(':');
    const std::string_view countText = rest.substr(0, colon2);
    FailRule rule;
    long number = 0;
    if (countText == "always")
        rule.always = true;
    else if (parseInt(countText, 0, 1000000, number))
        rule.count = number;
    else
        return;
    if (colon2 != std::string_view::npos) {
        if (!parseInt(rest.substr(colon2 + 1), 1, 4095, number))
            return;
        rule.error = int(number);
    }
    options.failures[std::size_t(index)] = rule;
}

void applyOption(SimOptions& options, std::string_view item)
{
    const auto equals = item.find('=');
    if (equals == std::string_view::npos)
        return;
    const std::string_view name = item.substr(0, equals);
    const std::string_view value = item.substr(equals + 1);
    long number = 0;
    if (name == "drop") {
        if (const int index = collectionIndex(value); index >= 0)
            options.dropped[std::size_t(index)] = true;
    } else if (name == "product") {
        options.product = std::string(value);
    } else if (name == "keyboards") {
        if (parseInt(value, 0, MaxKeyboards, number))
            options.keyboards = int(number);
    } else if (name == "delay") {
        if (parseInt(value, 0, MaxDelayMs, number))
            options.delayMs = int(number);
    } else if (name == "fail") {
        applyFail(options, value);
    } else if (name == "unplugged") {
        options.unplugged = value != "0";
    }
}

void applyOptions(SimOptions& options, std::string_view rest)
{
    while (!rest.empty()) {
        const auto separator = rest.find_first_of(",\n");
        applyOption(options, rest.substr(0, separator));
        if (separator == std::string_view::npos)
            break;
        rest.remove_prefix(separator + 1);
    }
}

std::string readWhole(const std::string& path);

// $KAVREL_SIM_OPTIONS_FILE's content; empty when it is not set or not readable.
std::string optionsFileText()
{
    const char* path = std::getenv("KAVREL_SIM_OPTIONS_FILE");
    return path && *path ? readWhole(path) : std::string();
}

SimOptions readOptions(const std::string& fileText)
{
    SimOptions options;
    const char* text = std::getenv("KAVREL_SIM_OPTIONS");
    applyOptions(options, text ? text : "");
    applyOptions(options, fileText);
    return options;
}

// An open collection takes a changed options file at its next write: its
// delay, failure rule and whether the keyboard is plugged in.
void followOptionsFile(SimCollection& collection)
{
    if (!std::getenv("KAVREL_SIM_OPTIONS_FILE"))
        return;
    std::string text = optionsFileText();
    std::lock_guard lock(collection.failMutex);
    if (text == collection.optionsFileText)
        return;
    const SimOptions options = readOptions(text);
    collection.delayMs = options.delayMs;
    collection.failure = options.failures[collection.index];
    collection.unplugged = options.unplugged;
    collection.optionsFileText = std::move(text);
}

std::string statePath()
{
    return hidgate::simStatePath();
}

std::string readWhole(const std::string& path)
{
    const kavrel::platform::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        return {};
    std::string text;
    char chunk[65536];
    ssize_t got = 0;
    while ((got = ::read(fd.get(), chunk, sizeof chunk)) > 0)
        text.append(chunk, std::size_t(got));
    return text;
}

// Replaces the state file whole, so another process reads either the old
// memory or the new one, never half of it. Unsynced: the simulated memory
// need not survive a power cut, and syncing every report would add
// milliseconds to each apply.
bool replaceFile(const std::string& path, std::string_view text)
{
    kavrel::platform::AtomicFile file(path, kavrel::platform::Durability::Unsynced);
    if (file.isOpen() && file.write(std::as_bytes(std::span(text.data(), text.size()))) && file.commit())
        return true;
    errno = file.lastError().error;
    return false;
}

// Records one accepted report. Threads of this process are serialised by a mutex, other processes by a lock
// file, so every writer reads the newest memory before adding its report.
bool storeReport(const std::string& path, std::span<const std::uint8_t> report)
{
    static std::mutex mutex;
    std::lock_guard guard(mutex);
    const kavrel::platform::UniqueFd lock(::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (lock.get() < 0 || ::flock(lock.get(), LOCK_EX) != 0)
        return false;
    SimState state = parseSimState(readWhole(path));
    recordReport(state, report);
    return replaceFile(path, formatSimState(state));
}

// Counts down a failure rule; true when this write is to fail.
bool takeFailure(SimCollection& collection, int& error)
{
    std::lock_guard lock(collection.failMutex);
    FailRule& rule = collection.failure;
    if (!rule.always && rule.count <= 0)
        return false;
    if (!rule.always)
        --rule.count;
    error = rule.error;
    return true;
}

std::string simNodeName(int keyboard, std::size_t collection)
{
    return "sim:keyboard" + std::to_string(keyboard) + "/" + Collections[collection].name;
}

bool offered(const SimOptions& options, std::size_t index, int keyboard, HidgateFilter filter)
{
    if (options.dropped[index])
        return false;
    const std::string node = simNodeName(keyboard, index);
    return filter == nullptr || filter(node.c_str(), 0, 0, Collections[index].featureLength) != 0;
}

HidgateHandle openCollection(const SimOptions& options, const std::string& optionsText, std::size_t index)
{
    auto collection = std::make_shared<SimCollection>();
    collection->shape = Collections[index];
    collection->index = index;
    collection->optionsFileText = optionsText;
    collection->product = options.product;
    collection->statePath = statePath();
    collection->delayMs = options.delayMs;
    collection->failure = options.failures[index];
    return handles().add(std::move(collection));
}

} // namespace

void closeModuleHandle(HidgateHandle handle)
{
    handles().remove(handle);
}

} // namespace hidgate

using namespace hidgate;

extern "C" {

HIDGATE_EXPORT HidgateHandle OpenHidDevice(unsigned usagePage, unsigned usage, const char* idText, HidgateFilter filter,
    void*, unsigned, int logLevel, unsigned, unsigned, int* count)
{
    if (!startOpen(idText, count))
        return 0;
    const std::string optionsText = optionsFileText();
    const SimOptions options = readOptions(optionsText);
    const bool vendorCollection = usagePage == VendorUsagePage && usage == VendorUsage && !options.unplugged;
    int matching = 0;
    for (int keyboard = 0; vendorCollection && keyboard < options.keyboards; ++keyboard) {
        for (std::size_t index = 0; index < Collections.size(); ++index) {
            if (!offered(options, index, keyboard, filter))
                continue;
            if (!count)
                return openCollection(options, optionsText, index);
            ++matching;
            break;
        }
    }
    if (count) {
        *count = matching;
        return 0;
    }
    failWith(ENODEV, "the simulated keyboard has no such collection");
    if (logLevel != 0)
        std::fprintf(stderr, "hidgate-sim: %s\n", lastMessage().c_str());
    return 0;
}

HIDGATE_EXPORT int SetFeature(HidgateHandle handle, const uint8_t* buffer, size_t length)
{
    const auto collection = handles().find(handle);
    if (!collection)
        return failWith(EBADF, "handle is closed");
    if (!buffer || length != std::size_t(collection->shape.featureLength) || buffer[0] != collection->shape.reportId)
        return failWith(EINVAL, "report id or length does not fit the collection");
    followOptionsFile(*collection);
    int delayMs = 0;
    bool unplugged = false;
    {
        std::lock_guard lock(collection->failMutex);
        delayMs = collection->delayMs;
        unplugged = collection->unplugged;
    }
    if (delayMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    if (unplugged)
        return failWith(ENODEV, "the simulated keyboard is unplugged (KAVREL_SIM_OPTIONS_FILE)");
    int error = 0;
    if (takeFailure(*collection, error))
        return failWith(error, "write failure requested by KAVREL_SIM_OPTIONS");
    if (!storeReport(collection->statePath, std::span(buffer, length)))
        return failWith(errno ? errno : EIO, "cannot write the state file " + collection->statePath);
    return 1;
}

HIDGATE_EXPORT int GetFeature(HidgateHandle handle, uint8_t* buffer, size_t length)
{
    const auto collection = handles().find(handle);
    if (!collection)
        return failWith(EBADF, "handle is closed");
    if (!buffer || length == 0)
        return failWith(EINVAL, "no buffer");
    const SimState state = parseSimState(readWhole(collection->statePath));
    const auto found = state.find(buffer[0]);
    if (found == state.end() || found->second.bytes.size() > length)
        return failWith(EINVAL, "no such feature report");
    std::memcpy(buffer, found->second.bytes.data(), found->second.bytes.size());
    return 1;
}

HIDGATE_EXPORT int GetInputReport(HidgateHandle handle, uint8_t*, size_t)
{
    if (!handles().find(handle))
        return failWith(EBADF, "handle is closed");
    return failWith(EAGAIN, "the simulated keyboard sends no input reports");
}

HIDGATE_EXPORT int GetProductString(HidgateHandle handle, char* buffer, size_t size)
{
    const auto collection = handles().find(handle);
    if (!collection)
        return failWith(EBADF, "handle is closed");
    if (!copyString(collection->product, buffer, size))
        return failWith(EINVAL, "no buffer");
    return 1;
}

} // extern "C"
