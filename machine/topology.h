// The machine's packages, cores and hardware threads as the placement
// planner takes them (machine/placement.h), read with hwloc.
#pragma once

#include <string>

#include "machine/placement.h"

// This machine, only the CPUs the process may use: those of its affinity
// mask (taskset, sched_setaffinity) that its cgroup allows. hwloc reads it
// in a child process, so that the discovery leaves nothing behind in this
// one. False, with `why` set, when hwloc cannot read the machine.
bool readMachineTopology(Topology* topology, std::string* why);

// A machine hwloc makes up from a description such as
// "package:2 core:4 pu:2", for tests and trials.
bool readSyntheticTopology(const std::string& description, Topology* topology, std::string* why);

// A machine recorded by hwloc as XML (lstopo machine.xml).
bool readXmlTopology(const std::string& path, Topology* topology, std::string* why);
