// Start and end of the shared speech worker for the launcher process.
#pragma once

void StartSpeechServices();
void StopSpeechServices();
