#include "machine/topology.h"

#include <hwloc.h>

#include "machine/binding.h"

namespace {

// How the topology is found before it is loaded.
enum class Source { machine, synthetic, xml };

int32_t logicalIndexOf(hwloc_topology_t topology, hwloc_obj_t thread, hwloc_obj_type_t type, int32_t fallback) {
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

}  // namespace

bool readMachineTopology(Topology* topology, std::string* why) {
    Topology all;
    if (!load(Source::machine, "", &all, why)) {
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
