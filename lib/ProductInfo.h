#pragma once

#include <string_view>

// What the program says about itself: window titles, captions and the
// settings root "Software\<company>\<product>" are made from these.
inline constexpr char ProductName[] = "Vantrel's Image Organiser";   // also the program title
inline constexpr char CompanyName[] = "Vantrel Productions";
inline constexpr char ShortName[] = "ZILO";
inline constexpr char ProductVersion[] = "2.0";
inline constexpr char MajorVersion[] = "2";
inline constexpr char ReleaseDate[] = "21st September 1999";
// Tool windows, the viewer and the browse windows end their captions with it.
inline constexpr char CaptionSuffix[] = " - Vantrel's Image Organiser";

static_assert(std::string_view(CaptionSuffix).starts_with(" - ")
                  && std::string_view(CaptionSuffix).substr(3) == ProductName,
              "the caption suffix is \" - \" and the product name");
