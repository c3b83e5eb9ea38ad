#pragma once
// The maker's own endpoints, kept in one place.
namespace endpoints {
constexpr const char* kUpdateHost = "update.morvex.net";
constexpr const wchar_t* kHomePage = L"https://www.morvex.net/veilpane/";
constexpr const wchar_t* kProductsPage = L"https://www.morvex.net/products/";
constexpr const wchar_t* kSupportEmail = L"support@morvex.net";
}  // namespace endpoints
