#include <utility>

#include <gtest/gtest.h>

#include "ServiceAddress.h"

TEST(ServiceAddress, OnlySecureOrLoopbackAddressesAreTaken) {
    const std::pair<const char*, bool> cases[] = {
        {"https://api.example.org", true}, {"http://127.0.0.1:8080/x", true},
        {"http://localhost:9", true},      {"http://[::1]:9/", true},
        {"http://example.org", false},     {"ftp://127.0.0.1/", false},
        {"127.0.0.1:80", false},           {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.second, ServiceAddress::isAcceptable(QUrl(c.first))) << c.first;
}

TEST(ServiceAddress, TheEnvironmentOverridesOnlyWithAnAcceptableAddress) {
    const QString fallback = "https://service.example.org/api";
    const std::pair<const char*, const char*> cases[] = {
        {nullptr, "https://service.example.org/api"},
        {"http://127.0.0.1:9/api", "http://127.0.0.1:9/api"},
        {"http://example.org/api", "https://service.example.org/api"},
        {"not an address", "https://service.example.org/api"},
    };
    for (const auto& c : cases) {
        if (c.first)
            qputenv("RV_TEST_SERVICE", c.first);
        else
            qunsetenv("RV_TEST_SERVICE");
        EXPECT_EQ(ServiceAddress::fromEnvironment("RV_TEST_SERVICE", fallback).toString(),
                  QString(c.second))
            << (c.first ? c.first : "(unset)");
    }
}
