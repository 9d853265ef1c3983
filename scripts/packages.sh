# Sourced by the scripts: installs the Debian packages the project needs, only those missing.
KD_PACKAGES=(
  cmake ninja-build g++ pkg-config clang clang-format locales
  libgtest-dev libgmock-dev libbenchmark-dev
  libtinyxml-dev libstb-dev libcurl4-openssl-dev
  libfontconfig-dev fonts-dejavu-core fonts-roboto-unhinted libpng-dev
  libx11-dev libxcursor-dev libxfixes-dev libxtst-dev xvfb xauth
  libvulkan-dev mesa-vulkan-drivers glslc vulkan-validationlayers
)

kd_install_packages() {
  local missing=()
  for p in "${KD_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}

# Build jobs: KD_JOBS when set (a shared machine), else one per processor.
kd_jobs() {
  if [ -n "${KD_JOBS:-}" ]; then echo "$KD_JOBS"; else nproc 2>/dev/null || echo 2; fi
}
