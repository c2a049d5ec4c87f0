#include "app/window/SystemServices.h"

#include "serial/SystemPort.h"
#include "soundcard/AudioDevices.h"

#include <cstdlib>

namespace bitreel {

Form1::Services SystemServices() {
    Form1::Services services;
    services.port = std::make_unique<SystemPort>();
    // At once: no destructor of the window runs, and the C library closes
    // every stream still open.
    services.exit = [](int status) { std::exit(status); };
    // The system's default output, as it is when the play starts.
    services.audioOutput = [](std::uint32_t rate) { return OpenAudioOutput({}, rate); };
    services.audioInput = [](std::uint32_t rate) { return OpenAudioInput({}, rate); };
    return services;
}

} // namespace bitreel
