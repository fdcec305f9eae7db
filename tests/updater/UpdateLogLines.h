#pragma once

#include <string>
#include <vector>

#include "TextCodec.h"

// The status texts of a run that replaced the client, in the order Update.log holds them.
inline const std::vector<std::string> kUpdateSuccessLines = {
    "正在准备更新...",       "开始检测版本信息...",   "检测到新版本1.0.6!",
    "开始下载新版本文件...", "新版本文件下载完毕!",   "开始解压缩下载文件...",
    "解压缩下载文件完毕!",   "开始关闭当前程序...",   "关闭当前程序完毕!",
    "开始备份旧版本文件...", "备份旧版本文件完毕!",   "开始安装新版本文件...",
    "安装新版本文件完毕!",   "开始启动新版本程序...", "启动新版本程序完毕!",
    "开始删除临时文件...",   "临时文件删除完毕!",     "更新成功!"};

// The lines of Update.log's bytes (code page 936, CR LF), each still with its time stamp; a last
// line without its CR LF is not one.
inline std::vector<std::string> UpdateLogLines(const std::string& gbk) {
    const std::string text = platform::GbkToUtf8(gbk);
    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos;
         start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

// The status texts alone: what follows "yyyy-mm-dd hh:nn:ss" and two blanks.
inline std::vector<std::string> UpdateLogTexts(const std::string& gbk) {
    std::vector<std::string> texts;
    for (const std::string& line : UpdateLogLines(gbk)) {
        texts.push_back(line.size() >= 21 ? line.substr(21) : line);
    }
    return texts;
}
