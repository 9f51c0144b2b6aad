#include "app/CLOBRINApp.h"

int main(int argc, char** argv) {
    CLOBRINApp app(argc, argv);
    if (!app.InitInstance()) {
        return 1;
    }
    const int result = app.exec();
    app.ExitInstance();
    return result;
}
