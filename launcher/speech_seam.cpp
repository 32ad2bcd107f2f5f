#include "launcher/speech_seam.h"

#include "gamehost/speech/speech_client.h"
#include "gamehost/speech/speech_worker.h"

// The launcher owns the process's one speech record; a system without speech
// leaves it without a worker and requests then only store their text.
void StartSpeechServices() { StartLauncherSpeech(); }
void StopSpeechServices() { StopLauncherSpeech(); }

void SpeakItemName(const char* gbkName) {
  SpeechRecord* record = ProcessSpeechRecord();
  StopSpeech(record);
  SpeakText(gbkName, record);
}

SpeechRecord* LauncherSpeechRecord() { return ProcessSpeechRecord(); }
