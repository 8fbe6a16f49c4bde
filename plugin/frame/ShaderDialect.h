// Shader texts written by users for other GLSL dialects (desktop texts
// without a #version line, OpenGL ES and WebGL texts with precision
// qualifiers), made to compile here with the line numbers of the text as
// written, so that the driver's messages point at the user's own lines.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace Obrisk::Ogl::ShaderDialect {

// The dialect of texts without a #version line: the most permissive one that
// still has gl_FragColor, texture2D and varying (implicit int to float, array
// constructors, precision qualifiers, unsigned types).
inline constexpr std::string_view kPortable = "#version 130\n";

// True when the text's first non-blank line is a #version directive.
bool HasVersion(std::string_view text);

// The end of the text's leading #version and #extension lines (and blank
// lines among them), which must stay first; `lines` receives their count.
std::size_t LeadingDirectivesEnd(std::string_view source, int& lines);

// A directive, on lines of its own, after which the next line counts as
// `line`, for a shader whose leading directives are `head`: before GLSL 3.30
// the directive names the number of the line before.
std::string LineDirective(std::string_view head, int line);

// A fragment text that links with the built-in full-frame vertex shader:
// texts without #version get kPortable; ES texts ("#version 100", "#version
// 300 es", ...) the desktop version with the same features, on the same
// line. Other texts are returned as they are.
std::string ForFullFrame(std::string_view text);

}  // namespace Obrisk::Ogl::ShaderDialect
