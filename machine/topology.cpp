#include "machine/topology.h"

#include <hwloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "machine/binding.h"

namespace {

// How the topology is found before it is loaded.
enum class Source { machine, synthetic, xml };

int32_t logicalIndexOf(hwloc_topology_t topology, hwloc_obj_t thread, hwloc_obj_type_t type,
                       int32_t fallback) {
    const hwloc_obj_t above = hwloc_get_ancestor_obj_by_type(topology, type, thread);
    return above == nullptr ? fallback : static_cast<int32_t>(above->logical_index);
}

Topology threadsOf(hwloc_topology_t topology) {
    Topology read;
    const int count = hwloc_get_nbobjs_by_type(topology, HWLOC_OBJ_PU);
    for (int i = 0; i < count; i++) {
        const hwloc_obj_t thread = hwloc_get_obj_by_type(topology, HWLOC_OBJ_PU, static_cast<unsigned>(i));
        // A machine that shows no cores or packages has each thread on a
        // core of its own, all in one package.
        const int32_t core = logicalIndexOf(topology, thread, HWLOC_OBJ_CORE, -1 - i);
        const int32_t package = logicalIndexOf(topology, thread, HWLOC_OBJ_PACKAGE, 0);
        read.threads.push_back(HardwareThread{static_cast<int32_t>(thread->os_index), core, package});
    }
    return read;
}

bool load(Source source, const std::string& where, Topology* read, std::string* why) {
    hwloc_topology_t topology;
    if (hwloc_topology_init(&topology) != 0) {
        *why = "hwloc cannot start";
        return false;
    }
    int set = 0;
    if (source == Source::synthetic) {
        set = hwloc_topology_set_synthetic(topology, where.c_str());
    } else if (source == Source::xml) {
        set = hwloc_topology_set_xml(topology, where.c_str());
    }
    const bool loaded = set == 0 && hwloc_topology_load(topology) == 0;
    if (loaded) {
        *read = threadsOf(topology);
    } else {
        *why = source == Source::machine ? "hwloc cannot read this machine's topology"
                                         : "hwloc cannot read the topology '" + where + "'";
    }
    hwloc_topology_destroy(topology);
    return loaded;
}

bool writeAll(int fd, const void* data, size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t wrote = write(fd, bytes, size);
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote <= 0) {
            return false;
        }
        bytes += wrote;
        size -= static_cast<size_t>(wrote);
    }
    return true;
}

// Reads up to `size` bytes; how many came before the end.
size_t readAll(int fd, void* data, size_t size) {
    auto* bytes = static_cast<char*>(data);
    size_t got = 0;
    while (got < size) {
        const ssize_t read = ::read(fd, bytes + got, size - got);
        if (read < 0 && errno == EINTR) {
            continue;
        }
        if (read <= 0) {
            break;
        }
        got += static_cast<size_t>(read);
    }
    return got;
}

// The child's side: the threads, as a count and then the records.
[[noreturn]] void sendMachine(int fd) {
    Topology read;
    std::string why;
    bool sent = load(Source::machine, "", &read, &why);
    const uint64_t count = sent ? read.threads.size() : 0;
    sent = sent && writeAll(fd, &count, sizeof count) &&
           writeAll(fd, read.threads.data(), count * sizeof(HardwareThread));
    _exit(sent ? 0 : 1);
}

// Discovering this machine makes hwloc allocate and free many blocks, and
// the state that leaves in the C library's allocator changes what every
// later run's allocations cost: measured here, a 500 x 500 run took about
// 3 ms more processor time after the discovery than without it. The
// discovery therefore runs in a child process that hands the threads over
// through a pipe, and the measuring process's allocator stays as it was.
bool readMachineInChild(Topology* topology, std::string* why) {
    *why = "hwloc cannot read this machine's topology";
    int ends[2];
    if (pipe(ends) != 0) {
        return false;
    }
    const pid_t child = fork();
    if (child == 0) {
        close(ends[0]);
        sendMachine(ends[1]);
    }
    close(ends[1]);
    uint64_t count = 0;
    bool read = child > 0 && readAll(ends[0], &count, sizeof count) == sizeof count && count <= (1u << 20);
    if (read) {
        topology->threads.resize(static_cast<size_t>(count));
        const size_t bytes = static_cast<size_t>(count) * sizeof(HardwareThread);
        read = readAll(ends[0], topology->threads.data(), bytes) == bytes;
    }
    close(ends[0]);
    int status = 0;
    while (child > 0 && waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return read && child > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

bool readMachineTopology(Topology* topology, std::string* why) {
    Topology all;
    if (!readMachineInChild(&all, why)) {
        return false;
    }
    // hwloc leaves out what the cgroup forbids; the affinity mask is the
    // process's own choice and is applied here.
    *topology = keepCpus(all, allowedCpus());
    return true;
}

bool readSyntheticTopology(const std::string& description, Topology* topology, std::string* why) {
    return load(Source::synthetic, description, topology, why);
}

bool readXmlTopology(const std::string& path, Topology* topology, std::string* why) {
    return load(Source::xml, path, topology, why);
}
