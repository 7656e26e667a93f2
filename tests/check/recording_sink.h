#pragma once
// A message sink that keeps what the client handed it.

#include <string>
#include <vector>

#include "net/message_sink.h"

struct RecordingSink : MessageSink {
    std::vector<std::string> header;
    std::vector<std::string> body;
    int headerCompleted = 0;
    int bodyCompleted = 0;

    void AddHeaderLine(std::string line) override { header.push_back(std::move(line)); }
    void HeaderComplete() override { ++headerCompleted; }
    void AddBodyLine(std::string line) override { body.push_back(std::move(line)); }
    void BodyComplete() override { ++bodyCompleted; }
};
