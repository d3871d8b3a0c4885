// utf8_host ENTRY FOLDER: a host whose manifest makes UTF-8 its ANSI code
// page, so that every narrow text it hands the module is UTF-8. Sends the
// file "照片 Ω.jpg" of FOLDER to the installed system "Mail" through
// EmailComponent::SendMail (ENTRY "component") or Email32SendA ("c").
#include "public/EmailComponent.h"
#include "public/email32.h"

#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3 || ::GetACP() != CP_UTF8) {
        std::fprintf(stderr, "utf8_host: code page %u\n", ::GetACP());
        return 64;
    }
    const std::string file = std::string(argv[2]) + "照片 Ω.jpg";
    if (std::string(argv[1]) == "component") {
        EmailComponent component(false);
        component.InitEmailSysDB(false);
        return component.SendMail(file, "Mail") ? 0 : 1;
    }
    Email32Context* context = Email32Open(0);
    const char* files[] = {file.c_str()};
    const int result = context ? Email32SendA(context, "Mail", files, 1) : EMAIL32_ERROR;
    if (context) Email32Close(context);
    return result;
}
