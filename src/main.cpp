#include "app/program.h"
#include "platform/fs.h"
#include "platform/platform.h"

int main(int argc, char **argv) {
    prepareProcess();
    platform::Platform &host = platform::hostPlatform();
    QumoApplication app(argc, argv, host);
    QumoProgram program(host, platform::programFile());
    program.main()->show();
    return app.exec();
}
