// harvex: the Harvex window.

#include "app/CQuarnelApp.h"

int main(int argc, char** argv) {
    CQuarnelApp app;
    return app.Run(argc, argv);
}
