#pragma once

// The maker's addresses. The host is a placeholder until the real server is
// known.
inline constexpr char MakerHost[] = "tonzettel.example";
inline constexpr char MakerWebPage[] = "http://tonzettel.example";
inline constexpr char MakerMail[] = "info@tonzettel.example";
// Both at the server's root, plain HTTP.
inline constexpr char VersionFileUrl[] = "http://tonzettel.example/vers.txt";
inline constexpr char DownloadUrl[] = "http://tonzettel.example/Tonzettel.zip";
