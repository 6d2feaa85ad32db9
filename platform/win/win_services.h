#pragma once
// Pieces of the Windows platform kept out of win_platform.cpp: processes
// (win_process.cpp) and system facts, sound and power (win_system.cpp).

#include <memory>

#include "platform/platform.h"

namespace kova::win {

std::unique_ptr<ChildProcess> startProcess(const ProcessStart& start);

Platform::OsVersion osVersion();
std::optional<Platform::CpuTimes> cpuTimes();

void systemBeep();
u16 soundEventFile(const u16& name);
bool playSoundFile(const u16& path, std::optional<uint32_t>* lengthMs);
bool soundPlaying();
void stopSound();

bool requestPower(const Platform::PowerRequest& request);

}  // namespace kova::win
