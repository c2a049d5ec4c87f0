#pragma once

namespace bitreel {

// Qt Multimedia tells of a sound server it cannot reach in its own words
// ("PulseAudioService: pa_context_connect() failed"), on standard error,
// whenever the sound card is first asked for. Installed in the process
// that owns the sound card, this says it once in Bitreel's words instead;
// every other message goes on as it was. Nothing is said while no sound is
// used: the server is only reached then.
void InstallSoundServerNotice();

// What is said: "bitreel: the sound server (PulseAudio) does not answer, so
// there is no sound card".
[[nodiscard]] const char* SoundServerNoticeText();

} // namespace bitreel
