// Start and end of the shared speech worker for the launcher process, and the
// launcher's own speech requests.
#pragma once

void StartSpeechServices();
void StopSpeechServices();
// Cuts off what is being spoken and speaks a GBK name.
void SpeakItemName(const char* gbkName);
// The process's one speech record, handed to the play modules; never null.
struct SpeechRecord;
SpeechRecord* LauncherSpeechRecord();
