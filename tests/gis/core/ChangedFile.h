// What a reader raises for a file another program changed under it, and the message of what a step raised.
#pragma once

#include <cerrno>
#include <functional>
#include <string>

#include "platform/rtl/Classes.h"

// The 0030 message for a file that another program cut short while it was read.
inline std::string ChangedFileMessage(const std::string& path) {
    return "0030 Error " + std::to_string(EIO) + " during mapping file \"" + path + "\" 文件已被另一个程序修改。";
}

// The message of the read error `step` raised; "nothing raised" when it raised none.
inline std::string ReadErrorOf(const std::function<void()>& step) {
    try {
        step();
    } catch (const EReadError& e) {
        return e.Message;
    }
    return "nothing raised";
}
