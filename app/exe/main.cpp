// pelzo-link: the desktop window of the meter link.
#include "app/ui/application.h"
#include "app/ui/formmain.h"

int main(int argc, char** argv)
{
    using namespace pelzo;
    PelzoApplication app(argc, argv);
    SetUpApplication(app);
    try {
        TFormMain form;
        form.FormCreate();
        form.show();
        app.exec();
    } catch (...) {
        // Construction failed (no ico/min.bmp in the working folder, say): tell and end.
        ShowErrorBox(ErrorText(std::current_exception()));
    }
    return 0;
}
