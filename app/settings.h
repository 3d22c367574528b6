// Build-time settings shared by every module. Each one can be changed when
// configuring: cmake -DDIAGSUM_PRINT_INFO_PROCESS=ON, -DDIAGSUM_DEFAULT_M=800...
#pragma once

#include <cstdint>

#ifndef DIAGSUM_GET_INPUT_FROM_USER
#define DIAGSUM_GET_INPUT_FROM_USER 0
#endif
#ifndef DIAGSUM_GENERATE_EXECUTION_DATA
#define DIAGSUM_GENERATE_EXECUTION_DATA 1
#endif
#ifndef DIAGSUM_PRINT_INFO_PROCESS
#define DIAGSUM_PRINT_INFO_PROCESS 0
#endif
#ifndef DIAGSUM_DEFAULT_M
#define DIAGSUM_DEFAULT_M 500
#endif
#ifndef DIAGSUM_DEFAULT_N
#define DIAGSUM_DEFAULT_N 500
#endif
#ifndef DIAGSUM_DEFAULT_NUM_THREADS
#define DIAGSUM_DEFAULT_NUM_THREADS 1
#endif

// The single run asks for rows, columns and workers, and both drivers wait
// for Enter before a run.
inline constexpr bool getInputFromUser = DIAGSUM_GET_INPUT_FROM_USER;
// Every run appends its execution record to infoData.csv.
inline constexpr bool generateExecutionData = DIAGSUM_GENERATE_EXECUTION_DATA;
// Workers report their start, every diagonal they sum and their end.
inline constexpr bool printInfoProcess = DIAGSUM_PRINT_INFO_PROCESS;
// Rows, columns and workers of the single run when the user is not asked.
inline constexpr int32_t default_M = DIAGSUM_DEFAULT_M;
inline constexpr int32_t default_N = DIAGSUM_DEFAULT_N;
inline constexpr int32_t default_NumThreads = DIAGSUM_DEFAULT_NUM_THREADS;
