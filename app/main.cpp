// harvex: the Harvex window.

#include "app/CQuarnelApp.h"
#include "platform/ProcessSignals.h"

int main(int argc, char** argv) {
    IgnoreWriteSignals();  // the window runs the unzip library and the copies in this process
    CQuarnelApp app;
    return app.Run(argc, argv);
}
